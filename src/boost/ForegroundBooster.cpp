#include "boost/ForegroundBooster.h"

#include <algorithm>
#include <array>

#include "common/ModulePublicFunction.h"

namespace tarvelo {

using platform::PriorityClass;
using platform::ProcessId;

namespace {

// Classes from the lowest to the highest.
int Rank(PriorityClass c) {
  switch (c) {
    case PriorityClass::Idle: return 0;
    case PriorityClass::BelowNormal: return 1;
    case PriorityClass::Normal: return 2;
    case PriorityClass::AboveNormal: return 3;
    case PriorityClass::High: return 4;
  }
  return 2;
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }
bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

ForegroundBooster::ForegroundBooster(platform::ForegroundWindow& windows, platform::ProcessPriorities& priorities,
                                     platform::UnitWeights* weights, platform::SchedulerStats* stats)
    : windows_(windows), priorities_(priorities), weights_(weights), moduleProcess_(windows, priorities),
      figure_(stats) {}

ForegroundBooster::~ForegroundBooster() { RestoreAll(); }

PriorityClass ForegroundBooster::LevelClass(std::string_view speed) {
  return speed == kHigh ? PriorityClass::High : PriorityClass::AboveNormal;
}

std::uint64_t ForegroundBooster::LevelWeight(PriorityClass level) {
  return level == PriorityClass::High ? kHighWeight : kAboveNormalWeight;
}

PriorityClass ForegroundBooster::ClassOfWeight(std::uint64_t weight) {
  if (weight == platform::UnitWeights::kUnset) return PriorityClass::Normal;
  if (weight >= kHighWeight) return PriorityClass::High;
  if (weight >= kAboveNormalWeight) return PriorityClass::AboveNormal;
  return PriorityClass::Normal;
}

bool ForegroundBooster::MayWeightUnitKind(std::string_view unit) {
  if (!EndsWith(unit, ".scope") && !EndsWith(unit, ".service")) return false;  // slices hold many units
  // The manager's own processes, a login session, the manager itself.
  constexpr std::array<std::string_view, 4> kWholeSession{"init.scope", "session-", "user@", "user-runtime-dir@"};
  return std::none_of(kWholeSession.begin(), kWholeSession.end(),
                      [&](std::string_view prefix) { return unit == prefix || StartsWith(unit, prefix); });
}

BoostPaths ForegroundBooster::Paths(std::string_view speed) const {
  return {priorities_.MayRaiseTo(LevelClass(speed)), weights_ != nullptr && weights_->Available()};
}

bool ForegroundBooster::PrivilegeMissing(bool enabled, std::string_view speed) const {
  return enabled && Paths(speed) == BoostPaths{};
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

std::optional<std::string> ForegroundBooster::WeighableUnit(ProcessId pid) const {
  if (weights_ == nullptr || pid == 0 || !weights_->Available()) return std::nullopt;
  auto unit = weights_->UnitOf(pid);
  if (!unit || !MayWeightUnitKind(*unit)) return std::nullopt;
  // Weighting the unit that holds this program would raise it, and whatever
  // else runs there, together with the window in front.
  if (unit == weights_->UnitOf(priorities_.CurrentProcessId())) return std::nullopt;
  return unit;
}

void ForegroundBooster::RestoreWeights(const std::optional<std::string>& keep) {
  for (auto it = heldWeights_.begin(); it != heldWeights_.end();) {
    if (it->first == keep) {
      ++it;
      continue;
    }
    const std::error_code error = weights_->SetWeight(it->first, it->second);
    // The manager answers before it writes the weight to the kernel; reading
    // it back waits for that write, so that the weight is back when this
    // returns (at the end, before the program is gone).
    if (!error) (void)weights_->AppliedWeight(it->first);
    // A unit that has gone needs nothing back; any other failure is tried
    // again at the next boost and at the end.
    if (!error || error == std::errc::no_such_process) {
      it = heldWeights_.erase(it);
    } else {
      ++it;
    }
  }
}

std::optional<PriorityClass> ForegroundBooster::RaiseWeight(const std::string& unit, PriorityClass level) {
  const std::uint64_t weight = LevelWeight(level);
  if (heldWeights_.count(unit) == 0) {
    // Only a weight that was read can be put back exactly.
    const auto before = weights_->WeightOf(unit);
    if (!before) return std::nullopt;
    // A unit weighted at least as high already is left as it is.
    if (*before != platform::UnitWeights::kUnset && *before >= weight) return std::nullopt;
    if (weights_->SetWeight(unit, weight)) return std::nullopt;
    heldWeights_[unit] = *before;
  } else if (weights_->SetWeight(unit, weight)) {
    return std::nullopt;
  }
  const auto applied = weights_->AppliedWeight(unit);
  if (!applied || Rank(ClassOfWeight(*applied)) <= Rank(PriorityClass::Normal)) return std::nullopt;
  return ClassOfWeight(*applied);
}

std::optional<PriorityClass> ForegroundBooster::RaiseClass(ProcessId pid, PriorityClass level) {
  if (pid == 0) return std::nullopt;
  const std::error_code error = priorities_.SetClass(pid, level);
  if (error) return std::nullopt;
  raised_[pid] = level;
  const auto readBack = priorities_.ClassOf(pid);
  if (!readBack || Rank(*readBack) <= Rank(PriorityClass::Normal)) return std::nullopt;
  return readBack;
}

std::optional<Boost> ForegroundBooster::Tick(bool enabled, std::string_view speed) {
  // Finishes the previous boost where the system made part of it wait.
  priorities_.CompleteDeferredChanges();

  if (!enabled) return std::nullopt;  // the handles stay as they are

  const platform::WindowHandle h = windows_.Foreground();
  previousForegroundHwnd_ = lastForegroundHwnd_;
  lastForegroundHwnd_ = h;
  if (h == previousForegroundHwnd_) return std::nullopt;  // the same window is still in front

  // The process boosted last stays raised only while a window of its own is
  // in front: a window of any other process sets it back, whatever its title.
  const ProcessId pid = h != 0 ? windows_.OwnerProcess(h) : 0;
  const std::optional<std::string> unit = WeighableUnit(pid);
  const ProcessId setBack = pid != 0 && pid != boostedPid_ ? boostedPid_ : 0;
  if (setBack != 0) {
    SetBack(setBack);
    if (weights_ != nullptr) RestoreWeights(unit);  // the units weighted for earlier windows
  }

  // The title matters only for a new window, so an idle tick reads none.
  std::string title = windows_.Title(h);
  title.resize(std::min(title.size(), title.find('\0')));
  if (ModulePublicFunction::TrimAtNull(title).empty()) return std::nullopt;
  // A window of the boosted process whose title begins with the one shown (the
  // same window, retitled) is not boosted twice. Another process's window of
  // the same title is a new window.
  if (pid == boostedPid_ && SameTitleAsShown(title)) return std::nullopt;

  // The process measured so far is no longer the one in front.
  figure_.Cancel();

  // The process of the window in front at the previous tick goes back to
  // Normal; with no window then, this program itself.
  const ProcessId previous =
      previousForegroundHwnd_ != 0 ? windows_.OwnerProcess(previousForegroundHwnd_) : priorities_.CurrentProcessId();
  if (previous != 0 && previous != setBack) SetBack(previous);

  const PriorityClass level = LevelClass(speed);
  if (weights_ != nullptr) RestoreWeights(unit);  // the units weighted for earlier windows

  ++triedCount_;
  const std::optional<PriorityClass> byClass = RaiseClass(pid, level);
  const std::optional<PriorityClass> byWeight = unit ? RaiseWeight(*unit, level) : std::nullopt;
  if (!byClass && !byWeight) return std::nullopt;  // nothing changed: nothing to show

  // What the process has now: the higher of its class and its unit's weight.
  const PriorityClass got = !byWeight || (byClass && Rank(*byClass) >= Rank(*byWeight)) ? *byClass : *byWeight;

  nowImproveProcess_ = title;
  boostedPid_ = pid;
  figure_.Start(pid);
  Boost boost;
  boost.number = " " + std::to_string(static_cast<std::int64_t>(boostCount_) + 1);  // one row per boost
  boost.title = title;
  boost.priority = std::string(got == PriorityClass::High ? kHigh : kAboveNormal);
  boost.count = ++boostCount_;
  return boost;
}

void ForegroundBooster::SetBack(ProcessId pid) {
  moduleProcess_.SetProcessPriority(pid, 0, static_cast<std::uint32_t>(PriorityClass::Normal));
  raised_.erase(pid);
  if (pid != boostedPid_) return;
  boostedPid_ = 0;
  figure_.Cancel();
}

void ForegroundBooster::RestoreAll() {
  figure_.Cancel();
  if (weights_ != nullptr) RestoreWeights(std::nullopt);
  heldWeights_.clear();
  for (const auto& [pid, given] : raised_) {
    // A process that changed class meanwhile, or whose id now names another
    // process, is left alone.
    if (priorities_.ClassOf(pid) == given) priorities_.SetClass(pid, PriorityClass::Normal);
  }
  raised_.clear();
  boostedPid_ = 0;
}

}  // namespace tarvelo
