#include "boost/ForegroundBooster.h"

#include <algorithm>

#include "common/ModulePublicFunction.h"

namespace tarvelo {

using platform::PriorityClass;

ForegroundBooster::ForegroundBooster(platform::ForegroundWindow& windows, platform::ProcessPriorities& priorities,
                                     std::uint32_t seed)
    : windows_(windows), priorities_(priorities), moduleProcess_(windows, priorities), random_(seed) {}

PriorityClass ForegroundBooster::LevelClass(std::string_view speed) {
  return speed == kHigh ? PriorityClass::High : PriorityClass::AboveNormal;
}

bool ForegroundBooster::PrivilegeMissing(bool enabled, std::string_view speed) const {
  return enabled && !priorities_.MayRaiseTo(LevelClass(speed));
}

// A title that begins with the title shown counts as the window already
// boosted. The length compared is that of the shown text without surrounding
// spaces, in characters; the texts themselves are compared as they are.
bool ForegroundBooster::SameTitleAsShown(std::string_view title) const {
  using namespace ModulePublicFunction;
  const std::size_t length = CountCharacters(TrimAtNull(nowImproveProcess_));
  const std::string titleStart = CutToCharacters(title, length);
  if (CountCharacters(titleStart) < length) return false;
  return titleStart == CutToCharacters(nowImproveProcess_, length);
}

std::optional<Boost> ForegroundBooster::Tick(bool enabled, std::string_view speed) {
  // Finishes the previous boost where the system made part of it wait.
  priorities_.CompleteDeferredChanges();

  if (!enabled) return std::nullopt;  // the handles stay as they are

  const platform::WindowHandle h = windows_.Foreground();
  previousForegroundHwnd_ = lastForegroundHwnd_;
  lastForegroundHwnd_ = h;
  if (h == previousForegroundHwnd_) return std::nullopt;  // the same window is still in front

  // The title matters only for a new window, so an idle tick reads none.
  std::string title = windows_.Title(h);
  title.resize(std::min(title.size(), title.find('\0')));
  if (ModulePublicFunction::TrimAtNull(title).empty()) return std::nullopt;
  if (SameTitleAsShown(title)) return std::nullopt;

  const PriorityClass level = LevelClass(speed);
  moduleProcess_.SetProcessPriority(0, previousForegroundHwnd_, static_cast<std::uint32_t>(PriorityClass::Normal));
  moduleProcess_.SetProcessPriority(0, h, static_cast<std::uint32_t>(level));

  nowImproveProcess_ = title;
  Boost boost;
  boost.number = " " + std::to_string(static_cast<std::int64_t>(boostCount_) + 1);  // one row per boost
  boost.title = title;
  const bool high = level == PriorityClass::High;
  boost.priority = std::string(high ? kHigh : kAboveNormal);
  boost.figure = (high ? "1" : "2") + ModulePublicFunction::RandomDigits(1, random_) + "%";
  boost.count = ++boostCount_;
  return boost;
}

}  // namespace tarvelo
