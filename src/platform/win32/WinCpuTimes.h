#pragma once

#include "platform/CpuTimes.h"

namespace platform::win32_impl {

// The NT family's processor figures from NtQuerySystemInformation, looked up
// in ntdll.dll at run time: the processor count (class 0), the current system
// time (class 3) and the idle time summed over all processors (class 2).
// Without the function (the 9x family) every reading fails.
class WinCpuTimes final : public CpuTimesSource {
 public:
  WinCpuTimes();
  std::optional<CpuTimes> Read() override;

  bool Available() const { return query_ != nullptr; }

 private:
  using QueryFunction = long(__stdcall*)(unsigned long, void*, unsigned long, unsigned long*);
  QueryFunction query_ = nullptr;
};

}  // namespace platform::win32_impl
