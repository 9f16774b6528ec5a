#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

// The records of NtQuerySystemInformation that the CPU counter reads, laid
// out as the system fills them. Their sizes follow the architecture through
// ULONG_PTR: SystemBasicInformation is 44 bytes on 32-bit Windows (processors
// at offset 40) and 64 bytes on 64-bit Windows (at offset 56).
enum class SystemInformationClass : ULONG {
  Basic = 0,
  Performance = 2,
  TimeOfDay = 3,
};

struct SystemBasicInformation {
  ULONG Reserved;
  ULONG TimerResolution;
  ULONG PageSize;
  ULONG NumberOfPhysicalPages;
  ULONG LowestPhysicalPageNumber;
  ULONG HighestPhysicalPageNumber;
  ULONG AllocationGranularity;
  ULONG_PTR MinimumUserModeAddress;
  ULONG_PTR MaximumUserModeAddress;
  ULONG_PTR ActiveProcessorsAffinityMask;
  CCHAR NumberOfProcessors;
};

// Only the idle time is read; the rest of the record's 312 bytes holds I/O,
// paging and pool counters.
struct SystemPerformanceInformation {
  LARGE_INTEGER IdleTime;  // summed over all processors, 100 ns units
  BYTE Counters[304];
};

// The record as Windows NT 4 and 2000 defined it; later systems append fields
// and still fill a record of this size.
struct SystemTimeOfDayInformation {
  LARGE_INTEGER BootTime;
  LARGE_INTEGER CurrentTime;  // system time, 100 ns units since 1601
  LARGE_INTEGER TimeZoneBias;
  ULONG TimeZoneId;
  ULONG Reserved;
};

#if defined(_WIN64)
static_assert(sizeof(SystemBasicInformation) == 64 && offsetof(SystemBasicInformation, NumberOfProcessors) == 56);
#else
static_assert(sizeof(SystemBasicInformation) == 44 && offsetof(SystemBasicInformation, NumberOfProcessors) == 40);
#endif
static_assert(sizeof(SystemPerformanceInformation) == 312 && offsetof(SystemPerformanceInformation, IdleTime) == 0);
static_assert(sizeof(SystemTimeOfDayInformation) == 32 && offsetof(SystemTimeOfDayInformation, CurrentTime) == 8);

}  // namespace platform::win32_impl
