#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "monitor/SystemLevels.h"

namespace platform {
class CpuTimesSource;
class LegacyCpuCounter;
class SystemMemorySource;
class DiskSpaceSource;
struct Platform;
}  // namespace platform

namespace tarvelo::monitor {

// What the sampling reads from the system. A missing part makes its reading
// fail, and the sample goes on without it.
struct MonitorPlatform {
  platform::CpuTimesSource* cpuTimes = nullptr;
  platform::LegacyCpuCounter* legacyCpuCounter = nullptr;
  platform::SystemMemorySource* memory = nullptr;
  platform::DiskSpaceSource* disk = nullptr;
  // Tells the user about a failed reading of the legacy counter.
  std::function<void(std::string_view)> showMessage = {};

  static MonitorPlatform From(const platform::Platform& platform);
};

// The CPU counter's baseline: the figures of the last successful reading. One
// copy serves the whole process, so every monitor's reading covers the time
// since the previous reading by any of them.
struct CpuCounterBaseline {
  std::int64_t PreviousIdleTime = 0;    // 100 ns units
  std::int64_t PreviousSystemTime = 0;  // 100 ns units
};
CpuCounterBaseline& ProcessCpuBaseline();

// The system-facing half of the monitor control.
namespace ModuleCpuMonitorSupport {

// True unless the system offers only the legacy counter (it measures the CPU
// load from cumulative idle and system times).
bool IsWindowsNT(const MonitorPlatform& platform);

// Takes the baseline (cumulative counter) or starts the legacy counter. A
// failed reading leaves the baseline as it was.
void InitCpuCounter(bool platformIsNT, const MonitorPlatform& platform,
                    CpuCounterBaseline& baseline = ProcessCpuBaseline());

// The CPU load in percent since the previous reading, or -1 when the reading
// failed (the baseline then stays). Not clamped to 0..100.
float GetCpuUsage(bool platformIsNT, const MonitorPlatform& platform,
                  CpuCounterBaseline& baseline = ProcessCpuBaseline());

// Stops the legacy counter; nothing for the cumulative one.
void StopCpuCounter(bool platformIsNT, const MonitorPlatform& platform);

// The load over an interval: idle and system time differences in 100 ns
// units, r = idle / sys rounded to four decimals (or idle / 10000 when no
// system time passed), u = 100 - r * 100 / processors + 0.5 rounded to four
// decimals and then to a whole number, ties to even. -1 without processors.
float CpuLoadFromTimes(std::int64_t idle, std::int64_t sys, int processors);

// The memory fields of levels; false, leaving them as they were, when the
// system cannot be read. A total of zero leaves its percentage (and the
// percentages after it) as they were.
bool GetMemoryLevels(const MonitorPlatform& platform, SystemLevels& levels);

// The drive fields of levels for the drive root (or path) drive; all five are
// 0 when it cannot be read. A drive of size zero leaves the percentage as it
// was.
void GetDiskLevels(const MonitorPlatform& platform, std::string_view drive, SystemLevels& levels);

// The directory of the operating system ("" when unknown).
std::string GetWindowsDirectoryPath(const MonitorPlatform& platform);

}  // namespace ModuleCpuMonitorSupport

}  // namespace tarvelo::monitor
