#pragma once

#include <map>
#include <string>

#include "platform/CpuLimiter.h"
#include "platform/win32/UniqueHandles.h"

namespace platform::win32_impl {

// Caps processes with job objects: a job per limited process with a hard CPU
// rate cap (JOBOBJECT_CPU_RATE_CONTROL_INFORMATION, Windows 8 and later). A
// process cannot leave a job, so a lift switches the job's rate control off.
// The process's handle is held while it is limited: its pid cannot name
// another process meanwhile. Jobs are named after the process
// ("Local\Tarvelo.CpuLimit.<pid>"), so that the next start can find and lift
// what a crashed run left.
class WinCpuLimiter final : public CpuLimiter {
 public:
  WinCpuLimiter();
  ~WinCpuLimiter() override;
  WinCpuLimiter(const WinCpuLimiter&) = delete;
  WinCpuLimiter& operator=(const WinCpuLimiter&) = delete;

  bool Available() const override;
  CpuLimitError WhyUnavailable() const override {
    return Available() ? CpuLimitError::None : CpuLimitError::NeedsNewerSystem;
  }
  CpuLimitError Apply(ProcessId pid, int percent) override;
  bool Lift(ProcessId pid) override;
  bool Limits(ProcessId pid) override;
  void LiftAll() override;
  int LiftLeftovers() override;

  static std::string JobName(ProcessId pid);
  // The hard cap a job holds, in hundredths of a percent of the machine; 0
  // when its rate control is off or cannot be read.
  static unsigned CapOf(HANDLE job);

 private:
  struct Limit {
    UniqueHandle process;
    UniqueHandle job;
  };

  std::map<ProcessId, Limit> limits_;
};

}  // namespace platform::win32_impl
