#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "memory/ModuleGetMemoryState.h"
#include "platform/ProcessTable.h"

namespace tarvelo {

// The automatic release's intervals, in list order, with the timer ticks
// (seconds) each stands for.
struct ReleaseInterval {
  const char* text;
  int ticks;
};
inline constexpr std::array<ReleaseInterval, 4> kReleaseIntervals{{
    {"1 minute", 60},
    {"3 minute", 180},
    {"5 minute", 300},
    {"10 minute", 600},
}};

// The ticks of an interval text, matched exactly; 0 for any other text.
int IntervalTicks(std::string_view text);

// "37 MB memory released." (the log) and "Success! 37 MB memory released."
// (the message after a release by hand).
std::string ReleaseEventText(std::int64_t releasedMB);
std::string ReleaseMessageText(std::int64_t releasedMB);

// What a release moved: the sum over the processes it trimmed of each one's
// drop in resident memory from just before to just after its own trim, in MB
// (truncated, as the memory figures are). Never negative: a process that grew
// meanwhile adds nothing.
struct ReleaseResult {
  std::int64_t releasedMB = 0;
  // The program could trim no process but its own: the user is told why.
  bool onlyOwnProcess = false;
  // Whether programs' own memory had swap space to go to, as the system said.
  std::optional<bool> swapFree;
};

// The message after a release by hand. It keeps the success text when other
// processes could be trimmed and something was released; when nothing was,
// it says so and why that is most likely; otherwise it says what was released and what
// would allow more: "Allow…" where canGrant (the helper can be given its
// right here), else what an administrator can run (byHand) or installing the
// helper, or running as root.
struct ReleaseMessage {
  std::string text;
  bool warning = false;    // information icon otherwise
  bool offerAllow = false;  // the message carries an "Allow…" button
};
ReleaseMessage ReleaseMessageOf(const ReleaseResult& result, bool canGrant, std::string_view byHand = {});

// Trims the working set of every process and measures what that released.
class MemoryReleaser {
 public:
  // Runs twice per process so that the program keeps answering and its timers
  // keep ticking during a release (another release may run inside it).
  // Returns false when the program is ending: the release then stops.
  using Yield = std::function<bool()>;

  MemoryReleaser(platform::ProcessTable& processes, platform::WorkingSetTrimmer& trimmer, Yield yield)
      : processes_(processes), trimmer_(trimmer), yield_(std::move(yield)) {}

  // Tries every process of a fresh snapshot, the program's own included, and
  // returns the bytes the trims released (see ReleaseResult). Each call works
  // on a snapshot of its own, so a release started inside another one
  // disturbs nothing of the outer one. A process that ends in between is
  // passed over.
  std::uint64_t DoAllMiniUseMemory();

  ReleaseResult Release();

 private:
  platform::ProcessTable& processes_;
  platform::WorkingSetTrimmer& trimmer_;
  Yield yield_;
};

// The countdown of the automatic release, one tick a second.
class AutoReleaseClock {
 public:
  // Counts one tick; true when a release is due now, and the count then
  // starts again at 1. While the release is off the count keeps growing, so
  // switching it on past the interval releases at the next tick; a new
  // interval does not reset the count.
  bool Tick(std::string_view intervalText, bool enabled);

  std::int64_t AutoReleaseTicks() const { return ticks_; }

 private:
  std::int64_t ticks_ = 0;
};

}  // namespace tarvelo
