#include "monitor/SystemLevels.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/ModulePublicFunction.h"

namespace tarvelo::monitor {

namespace {

// Rounded half to even, saturated to the 32-bit range (a wild CPU reading
// must not overflow).
std::int32_t RoundToInt32(float value) {
  if (std::isnan(value)) return 0;
  constexpr double kMin = std::numeric_limits<std::int32_t>::min();
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(ModulePublicFunction::RoundHalfEven(value), kMin, kMax));
}

}  // namespace

SystemLevelsReport ReportOf(const SystemLevels& l) {
  return {RoundToInt32(l.CPULoadPercent), RoundToInt32(l.MemoryLoadPercent), l};
}

}  // namespace tarvelo::monitor
