#include "app/StatusPageLogic.h"

#include <string>

namespace tarvelo {

void StatusPageLogic::ShowLimitedCount(int count) { view_.SetText("LabelStateProcessLimited", std::to_string(count)); }

}  // namespace tarvelo
