#include "platform/win32/WinCpuTimes.h"

#include "platform/win32/NtSystemInformation.h"

namespace platform::win32_impl {

namespace {

template <typename Record>
bool Query(long(__stdcall* query)(unsigned long, void*, unsigned long, unsigned long*), SystemInformationClass which,
           Record& record) {
  return query(static_cast<unsigned long>(which), &record, sizeof record, nullptr) == 0;
}

}  // namespace

WinCpuTimes::WinCpuTimes() {
  if (const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll")) {
    query_ = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
  }
}

std::optional<CpuTimes> WinCpuTimes::Read() {
  if (query_ == nullptr) return std::nullopt;
  SystemBasicInformation basic{};
  SystemTimeOfDayInformation timeOfDay{};
  SystemPerformanceInformation performance{};
  if (!Query(query_, SystemInformationClass::Basic, basic) ||
      !Query(query_, SystemInformationClass::TimeOfDay, timeOfDay) ||
      !Query(query_, SystemInformationClass::Performance, performance)) {
    return std::nullopt;
  }
  CpuTimes times;
  times.idleTime = performance.IdleTime.QuadPart;
  times.systemTime = timeOfDay.CurrentTime.QuadPart;
  times.processorCount = static_cast<unsigned char>(basic.NumberOfProcessors);
  return times;
}

}  // namespace platform::win32_impl
