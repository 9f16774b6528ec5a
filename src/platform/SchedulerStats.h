#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "platform/ForegroundWindow.h"

namespace platform {

// The scheduler's own accounting, for measuring how long a process waited
// for a processor against how long the machine's busy tasks did.
class SchedulerStats {
 public:
  // Time a thread spent on a processor and runnable but waiting for one,
  // since it started, in nanoseconds.
  struct ThreadTimes {
    std::uint64_t runNs = 0;
    std::uint64_t waitNs = 0;
    friend bool operator==(const ThreadTimes&, const ThreadTimes&) = default;
  };
  using ProcessTimes = std::map<std::uint32_t, ThreadTimes>;  // by thread id

  virtual ~SchedulerStats() = default;

  // A monotonic clock, in nanoseconds.
  virtual std::uint64_t NowNs() = 0;

  // The threads of a process; nothing when it is gone or cannot be read.
  virtual std::optional<ProcessTimes> TimesOf(ProcessId pid) = 0;

  // The machine's cumulative CPU pressure stall ("some"): the time in which
  // at least one runnable task waited for a processor, in microseconds;
  // nothing where the system does not account it.
  virtual std::optional<std::uint64_t> CpuSomeStallUs() = 0;
};

}  // namespace platform
