#include "monitor/ModuleCpuMonitorSupport.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "common/ModulePublicFunction.h"
#include "platform/Platform.h"

namespace tarvelo::monitor {

using ModulePublicFunction::RoundHalfEven;

namespace {

double RoundToFourDecimals(double value) { return RoundHalfEven(value * 10000.0) / 10000.0; }

std::int64_t ToInt64(std::uint64_t value) {
  constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(std::min(value, kMax));
}

// The share in use, (1 - available / total) * 100; nothing for a total of zero.
std::optional<float> UsedPercent(std::uint64_t available, std::uint64_t total) {
  if (total == 0) return std::nullopt;
  return static_cast<float>((1.0 - static_cast<double>(available) / static_cast<double>(total)) * 100.0);
}

}  // namespace

MonitorPlatform MonitorPlatform::From(const platform::Platform& p) {
  MonitorPlatform m;
  m.cpuTimes = p.cpuTimes.get();
  m.legacyCpuCounter = p.legacyCpuCounter.get();
  m.memory = p.systemMemory.get();
  m.disk = p.diskSpace.get();
  return m;
}

CpuCounterBaseline& ProcessCpuBaseline() {
  static CpuCounterBaseline baseline;
  return baseline;
}

namespace ModuleCpuMonitorSupport {

bool IsWindowsNT(const MonitorPlatform& platform) {
  return platform.legacyCpuCounter == nullptr || platform.cpuTimes != nullptr;
}

void InitCpuCounter(bool platformIsNT, const MonitorPlatform& platform, CpuCounterBaseline& baseline) {
  if (!platformIsNT) {
    if (platform.legacyCpuCounter != nullptr) platform.legacyCpuCounter->Start();
    return;
  }
  if (platform.cpuTimes == nullptr) return;
  const auto times = platform.cpuTimes->Read();
  if (!times) return;
  baseline.PreviousIdleTime = times->idleTime;
  baseline.PreviousSystemTime = times->systemTime;
}

float CpuLoadFromTimes(std::int64_t idle, std::int64_t sys, int processors) {
  if (processors <= 0) return -1;
  const double r = sys != 0 ? RoundToFourDecimals(static_cast<double>(idle) / static_cast<double>(sys))
                            : static_cast<double>(idle) / 10000.0;
  const double u = 100.0 - (r * 100.0) / processors + 0.5;
  return static_cast<float>(RoundHalfEven(RoundToFourDecimals(u)));
}

float GetCpuUsage(bool platformIsNT, const MonitorPlatform& platform, CpuCounterBaseline& baseline) {
  if (!platformIsNT) {
    const auto value = platform.legacyCpuCounter != nullptr ? platform.legacyCpuCounter->Read() : std::nullopt;
    if (value) return static_cast<float>(*value & 0xFF);
    if (platform.showMessage) platform.showMessage("Unable to Query Registry!");
    return -1;
  }
  if (platform.cpuTimes == nullptr) return -1;
  const auto times = platform.cpuTimes->Read();
  if (!times || times->processorCount <= 0) return -1;
  // 64-bit differences, without overflow; a counter that went back gives a negative one.
  const auto idle = static_cast<std::int64_t>(static_cast<std::uint64_t>(times->idleTime) -
                                              static_cast<std::uint64_t>(baseline.PreviousIdleTime));
  const auto sys = static_cast<std::int64_t>(static_cast<std::uint64_t>(times->systemTime) -
                                             static_cast<std::uint64_t>(baseline.PreviousSystemTime));
  const float load = CpuLoadFromTimes(idle, sys, times->processorCount);
  baseline.PreviousIdleTime = times->idleTime;
  baseline.PreviousSystemTime = times->systemTime;
  return load;
}

void StopCpuCounter(bool platformIsNT, const MonitorPlatform& platform) {
  if (!platformIsNT && platform.legacyCpuCounter != nullptr) platform.legacyCpuCounter->Stop();
}

bool GetMemoryLevels(const MonitorPlatform& platform, SystemLevels& levels) {
  if (platform.memory == nullptr) return false;
  const auto m = platform.memory->Read();
  if (!m) return false;
  levels.MemoryLoadPercent = static_cast<float>(m->memoryLoad);
  levels.PhysicalMemoryTotal = ToInt64(m->totalPhys);
  levels.PhysicalMemoryAvailable = ToInt64(m->availPhys);
  levels.PageFileTotal = ToInt64(m->totalPageFile);
  levels.PageFileAvailable = ToInt64(m->availPageFile);
  levels.VirtualMemoryTotal = ToInt64(m->totalVirtual);
  levels.VirtualMemoryAvailable = ToInt64(m->availVirtual);
  // In this order; a total of zero ends the computation there.
  const auto phys = UsedPercent(m->availPhys, m->totalPhys);
  if (!phys) return true;
  levels.PhysicalMemoryAvailablePercent = *phys;
  const auto page = UsedPercent(m->availPageFile, m->totalPageFile);
  if (!page) return true;
  levels.PageFileAvailablePercent = *page;
  const auto virt = UsedPercent(m->availVirtual, m->totalVirtual);
  if (!virt) return true;
  levels.VirtualMemoryAvailablePercent = *virt;
  return true;
}

void GetDiskLevels(const MonitorPlatform& platform, std::string_view drive, SystemLevels& levels) {
  const auto space = platform.disk != nullptr ? platform.disk->Read(drive) : std::nullopt;
  if (!space) {
    levels.HDTotalBytes = levels.HDTotalFreeBytes = levels.HDAvailableFreeBytes = levels.HDTotalBytesUsed = 0;
    levels.HDAvailablePercent = 0;
    return;
  }
  levels.HDTotalBytes = ToInt64(space->totalBytes);
  levels.HDTotalFreeBytes = ToInt64(space->freeBytes);
  levels.HDAvailableFreeBytes = ToInt64(space->availableBytes);
  levels.HDTotalBytesUsed = levels.HDTotalBytes - levels.HDAvailableFreeBytes;
  if (space->totalBytes == 0) return;
  const auto percent = static_cast<float>(static_cast<double>(space->availableBytes) /
                                          static_cast<double>(space->totalBytes) * 100.0);
  levels.HDAvailablePercent = static_cast<float>(RoundToFourDecimals(percent));
}

std::string GetWindowsDirectoryPath(const MonitorPlatform& platform) {
  return platform.disk != nullptr ? platform.disk->SystemDirectory() : std::string();
}

}  // namespace ModuleCpuMonitorSupport

}  // namespace tarvelo::monitor
