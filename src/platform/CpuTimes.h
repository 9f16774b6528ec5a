#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// Cumulative processor figures, for a load measured between two readings.
struct CpuTimes {
  std::int64_t idleTime = 0;    // idle time summed over all processors, 100 ns units
  std::int64_t systemTime = 0;  // a monotonic clock, 100 ns units
  int processorCount = 0;       // processors online

  friend bool operator==(const CpuTimes&, const CpuTimes&) = default;
};

class CpuTimesSource {
 public:
  virtual ~CpuTimesSource() = default;
  // A fresh reading; nothing when the system cannot be read.
  virtual std::optional<CpuTimes> Read() = 0;
};

// A counter that reports the load itself as a percentage, for systems that
// publish no cumulative idle time (the performance statistics of the Windows
// 9x family). Linux has none.
class LegacyCpuCounter {
 public:
  virtual ~LegacyCpuCounter() = default;
  virtual void Start() = 0;
  // The counter's current value; nothing when it cannot be read.
  virtual std::optional<std::uint32_t> Read() = 0;
  virtual void Stop() = 0;
};

}  // namespace platform
