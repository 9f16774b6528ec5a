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

void MemoryReleaser::DoAllMiniUseMemory() {
  const std::vector<platform::ProcessEntry> snapshot = processes_.Snapshot();
  for (const platform::ProcessEntry& process : snapshot) {
    if (!yield_()) return;
    trimmer_.TrimWorkingSet(process.pid);
    if (!yield_()) return;
  }
}

std::int64_t MemoryReleaser::Release() {
  const std::int64_t before = memory_.GetUsedMemoryMB();
  DoAllMiniUseMemory();
  const std::int64_t after = memory_.GetUsedMemoryMB();
  return before - after;
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
