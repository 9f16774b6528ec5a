#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/SchedulerStats.h"
#include "platform/linux/system/ProcFile.h"

namespace platform::linux_impl {

// A thread's <procRoot>/<pid>/task/<tid>/schedstat: "run wait timeslices",
// times in nanoseconds.
std::optional<SchedulerStats::ThreadTimes> ParseSchedstat(std::string_view text);

// The "total=" of the "some" line of <procRoot>/pressure/cpu, in microseconds.
std::optional<std::uint64_t> ParseCpuSomeTotal(std::string_view text);

class LinuxSchedulerStats final : public SchedulerStats {
 public:
  explicit LinuxSchedulerStats(std::string procRoot = "/proc");

  std::uint64_t NowNs() override;
  // Every thread's schedstat; threads that end while they are read are left
  // out. Nothing when the process is gone or none of its threads is readable.
  std::optional<ProcessTimes> TimesOf(ProcessId pid) override;
  // Nothing where the kernel has no pressure accounting (CONFIG_PSI off, or
  // "psi=0").
  std::optional<std::uint64_t> CpuSomeStallUs() override;

 private:
  std::string procRoot_;
  ProcFile pressure_;
};

}  // namespace platform::linux_impl
