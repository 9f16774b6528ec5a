#pragma once

#include <string>
#include <string_view>

#include "platform/CpuTimes.h"
#include "platform/linux/system/ProcFile.h"

namespace platform::linux_impl {

// Processor figures from <procRoot>/stat: the idle time is idle + iowait of
// the "cpu" line (a processor waiting for the disk has nothing to run), the
// processors are the "cpuN" lines (the online ones), and the system time is
// CLOCK_MONOTONIC.
class LinuxCpuTimes final : public CpuTimesSource {
 public:
  explicit LinuxCpuTimes(std::string procRoot = "/proc");
  std::optional<CpuTimes> Read() override;

 private:
  ProcFile file_;
  std::string buffer_;
  long ticksPerSecond_;
};

// The idle time (100 ns units) and processor count of a stat text; nothing
// when it has no "cpu" line.
struct ProcStatFigures {
  std::int64_t idleTime = 0;
  int processorCount = 0;
};
std::optional<ProcStatFigures> ParseProcStat(std::string_view text, long ticksPerSecond);

// CLOCK_MONOTONIC in 100 ns units.
std::int64_t MonotonicTime100ns();

}  // namespace platform::linux_impl
