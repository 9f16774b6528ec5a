#include "app/StatusPageLogic.h"

#include <string>

#include "boost/FasterFigure.h"

namespace tarvelo {

void StatusPageLogic::ExplainFigures() {
  for (const char* label : {"Label1", "LabelSpeed"}) view_.SetToolTip(label, kFasterFigureMeaning);
}

void StatusPageLogic::ShowLimitedCount(int count) { view_.SetText("LabelStateProcessLimited", std::to_string(count)); }

}  // namespace tarvelo
