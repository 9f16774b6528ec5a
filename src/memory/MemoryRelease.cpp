#include "memory/MemoryRelease.h"

namespace tarvelo {

int IntervalTicks(std::string_view text) {
  for (const ReleaseInterval& interval : kReleaseIntervals) {
    if (text == interval.text) return interval.ticks;
  }
  return 0;
}

std::string ReleaseEventText(std::int64_t releasedMB) {
  return std::to_string(releasedMB) + " MB memory released.";
}

std::string ReleaseMessageText(std::int64_t releasedMB) { return "Success! " + ReleaseEventText(releasedMB); }

ReleaseMessage ReleaseMessageOf(const ReleaseResult& result, bool canGrant, std::string_view byHand) {
  if (!result.onlyOwnProcess && result.releasedMB > 0) return {ReleaseMessageText(result.releasedMB), false, false};
  if (!result.onlyOwnProcess) {
    // Nothing moved: no success to report.
    std::string text = "No memory could be released. ";
    if (result.swapFree == false) {
      text += "Programs' own memory can only be moved out to swap space, and this system has no free swap space; "
              "only memory read from files can be released without it.";
    } else {
      text += "The programs' memory is in use right now, or was released a moment ago.";
    }
    return {text, true, false};
  }
  std::string text = "Tarvelo released only its own memory (" + std::to_string(result.releasedMB) +
                     " MB): releasing the memory of your other programs needs the right CAP_SYS_NICE, which "
                     "Tarvelo's helper does not have.";
  if (canGrant) {
    text += " Click \"Allow\u2026\" to give it to the helper; an administrator's password is asked for once.";
  } else if (!byHand.empty()) {
    text += " Run Tarvelo as root, or have an administrator run:\n";
    text += byHand;
  } else {
    text += " Install Tarvelo's helper tarvelo-priv with that right (see the README), or run Tarvelo as root.";
  }
  return {text, true, canGrant};
}

std::uint64_t MemoryReleaser::DoAllMiniUseMemory() {
  std::uint64_t released = 0;
  const std::vector<platform::ProcessEntry> snapshot = processes_.Snapshot();
  for (const platform::ProcessEntry& process : snapshot) {
    if (!yield_()) return released;
    // Measured right around the trim, so that other processes' memory moving
    // meanwhile does not count; a process the trim did not reach adds nothing.
    const auto before = trimmer_.ResidentBytes(process.pid);
    const bool trimmed = trimmer_.TrimWorkingSet(process.pid);
    const auto after = trimmer_.ResidentBytes(process.pid);
    if (trimmed && before && after && *before > *after) released += *before - *after;
    if (!yield_()) return released;
  }
  return released;
}

ReleaseResult MemoryReleaser::Release() {
  ReleaseResult result;
  result.onlyOwnProcess = !trimmer_.MayTrimOthers();
  result.releasedMB = BytesToMB(DoAllMiniUseMemory());
  result.swapFree = trimmer_.SwapFree();
  return result;
}

bool AutoReleaseClock::Tick(std::string_view intervalText, bool enabled) {
  const int threshold = IntervalTicks(intervalText);
  ++ticks_;
  if (ticks_ >= threshold && enabled) {
    ticks_ = 1;
    return true;
  }
  return false;
}

}  // namespace tarvelo
