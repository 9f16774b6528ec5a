#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/SchedulerStats.h"

namespace tarvelo {

// What the figure means, in one sentence, for the user who points at it.
inline constexpr const char* kFasterFigureMeaning =
    "How much less the program in front waited for a processor than the rest of the machine did, in the two "
    "seconds after Tarvelo raised it (100% means it did not wait at all).";

// The figure beside "Whole system faster:", measured over the first two
// seconds (kWindowNs) after a boost:
//
//   process wait share  p = run-queue wait / (run-queue wait + run time)
//                           of the boosted process's threads in the window
//   machine stall share m = CPU pressure stall time ("some") / wall time
//   figure = 100 x (1 - p / m), rounded, clamped to 0..100
//
// p is the part of the time the program wanted a processor that it spent
// waiting for one; m the part of the time in which at least one of the
// machine's tasks waited. A figure of 100 means the program did not wait at
// all while the rest of the machine did; 0 that it waited as much as the
// busiest moments of the machine, or that there was nothing to gain: less
// than 1 % of the window stalled (kNoPressureShare), no pressure accounting,
// or a program that never wanted a processor in the window.
struct FasterSample {
  std::uint64_t atNs = 0;
  std::optional<std::uint64_t> stallUs;
  platform::SchedulerStats::ProcessTimes threads;
};

// The percentage between two samples of the same process, as defined above.
int FasterPercent(const FasterSample& before, const FasterSample& after);

class FasterFigure {
 public:
  static constexpr std::uint64_t kWindowNs = 2'000'000'000;
  static constexpr double kNoPressureShare = 0.01;

  // stats may be null where the system offers none: nothing is measured.
  explicit FasterFigure(platform::SchedulerStats* stats) : stats_(stats) {}

  // Starts measuring the process, dropping a measurement under way.
  void Start(platform::ProcessId pid);
  // Drops a measurement under way.
  void Cancel() { pending_.reset(); }
  bool Measuring() const { return pending_.has_value(); }

  // Meant for every booster tick: once the window has passed, the figure as
  // shown ("NN%"), once. Nothing before that, and nothing when the process
  // ended during the window.
  std::optional<std::string> Poll();

 private:
  std::optional<FasterSample> Sample(platform::ProcessId pid);

  struct Pending {
    platform::ProcessId pid;
    FasterSample start;
  };
  platform::SchedulerStats* stats_;
  std::optional<Pending> pending_;
};

}  // namespace tarvelo
