#pragma once

#include <cstdint>

namespace tarvelo::monitor {

// One sample of the system levels. The three memory percentages are the share
// in use, the disk percentage the share free. Memory and disk sizes are whole
// bytes in 64 bits, so machines and drives of any size are shown as they are.
// A record never filled is all zero.
struct SystemLevels {
  float CPULoadPercent = 0;  // -1 when the reading failed
  float MemoryLoadPercent = 0;
  std::int64_t PhysicalMemoryTotal = 0;
  std::int64_t PhysicalMemoryAvailable = 0;
  float PhysicalMemoryAvailablePercent = 0;
  std::int64_t PageFileTotal = 0;
  std::int64_t PageFileAvailable = 0;
  float PageFileAvailablePercent = 0;
  std::int64_t VirtualMemoryTotal = 0;
  std::int64_t VirtualMemoryAvailable = 0;
  float VirtualMemoryAvailablePercent = 0;
  std::int64_t HDTotalBytes = 0;
  std::int64_t HDTotalFreeBytes = 0;
  std::int64_t HDAvailableFreeBytes = 0;
  std::int64_t HDTotalBytesUsed = 0;
  float HDAvailablePercent = 0;

  friend bool operator==(const SystemLevels&, const SystemLevels&) = default;
};

// The sixteen values a sample hands to its reader (GetCurrentSystemLevels and
// the Update event): the CPU and memory loads rounded to whole percent (half to
// even), the other fourteen as sampled.
struct SystemLevelsReport {
  std::int32_t CPULoadPercent = 0;
  std::int32_t MemoryLoadPercent = 0;
  SystemLevels sample;  // the rest of the values come from here

  friend bool operator==(const SystemLevelsReport&, const SystemLevelsReport&) = default;
};

SystemLevelsReport ReportOf(const SystemLevels& levels);

}  // namespace tarvelo::monitor
