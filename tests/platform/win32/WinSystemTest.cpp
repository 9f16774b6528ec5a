#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "memory/ModuleGetMemoryState.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "platform/Platform.h"
#include "platform/win32/WinCpuTimes.h"
#include "platform/win32/WinDiskSpace.h"
#include "platform/win32/WinMemory.h"
#include "platform/win32/WinVersion.h"
#include "WinTestSupport.h"

namespace platform::win32_impl {
namespace {

using testing::Lower;

std::int64_t Now100ns() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return static_cast<std::int64_t>((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
}

TEST(WinCpuTimes, FiguresAgreeWithTheSystemsOtherCalls) {
  WinCpuTimes source;
  ASSERT_TRUE(source.Available());
  const std::int64_t before = Now100ns();
  const auto first = source.Read();
  const std::int64_t after = Now100ns();
  ASSERT_TRUE(first);
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  EXPECT_EQ(first->processorCount, static_cast<int>(info.dwNumberOfProcessors));
  // The system time of the time-of-day record is the clock of GetSystemTimeAsFileTime.
  EXPECT_GE(first->systemTime, before - 10'000'000);
  EXPECT_LE(first->systemTime, after + 10'000'000);
  EXPECT_GE(first->idleTime, 0);
  const auto second = source.Read();
  ASSERT_TRUE(second);
  EXPECT_GE(second->idleTime, first->idleTime);
}

TEST(WinCpuTimes, LoadAroundABusyLoopIsInRange) {
  WinCpuTimes source;
  tarvelo::monitor::MonitorPlatform monitor;
  monitor.cpuTimes = &source;
  tarvelo::monitor::CpuCounterBaseline baseline;
  tarvelo::monitor::ModuleCpuMonitorSupport::InitCpuCounter(true, monitor, baseline);
  ASSERT_NE(baseline.PreviousSystemTime, 0);
  // Keep one processor busy for half a second.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  volatile std::uint64_t spin = 0;
  while (std::chrono::steady_clock::now() < end) spin = spin + 1;
  const float load = tarvelo::monitor::ModuleCpuMonitorSupport::GetCpuUsage(true, monitor, baseline);
  const int processors = source.Read()->processorCount;
  SCOPED_TRACE(processors);
  EXPECT_LE(load, 100.0f);
  // One of the processors was busy all the time (the measurement edges aside).
  EXPECT_GE(load, 50.0f / static_cast<float>(processors));
}

TEST(WinVersion, WineAndEveryCurrentWindowsAreOfTheNtFamily) {
  EXPECT_TRUE(IsWindowsNtFamily());
  const Platform platform = CreateNativePlatform();
  EXPECT_NE(platform.cpuTimes, nullptr);
  EXPECT_EQ(platform.legacyCpuCounter, nullptr) << "the registry counter serves the 9x family only";
  EXPECT_TRUE(tarvelo::monitor::ModuleCpuMonitorSupport::IsWindowsNT(tarvelo::monitor::MonitorPlatform::From(platform)));
  EXPECT_EQ(platform.shutdownRequests->NotifyDescriptor(), -1);
}

TEST(WinMemory, MemoryBeyondTwoGibIsCounted) {
  MEMORYSTATUS legacy{};
  legacy.dwLength = sizeof legacy;
  ::GlobalMemoryStatus(&legacy);
  const MemoryStatus status = WinMemoryStatus().Read();
  ASSERT_GT(status.totalPhys, 0u);
  EXPECT_LE(status.availPhys, status.totalPhys);
  EXPECT_GE(status.totalPhys, legacy.dwTotalPhys);
  // The old call caps a 32-bit program at 2 GiB; where it does, the real
  // figure is above it.
  if (legacy.dwTotalPhys >= 0x7FFF0000u) {
    EXPECT_GT(status.totalPhys, 0x80000000ull);
  }
  const auto figures = tarvelo::ComputeMemoryFigures(status);
  EXPECT_EQ(figures.totalMB, static_cast<std::int64_t>(status.totalPhys >> 20));

  const auto system = WinSystemMemory().Read();
  ASSERT_TRUE(system);
  EXPECT_LE(system->memoryLoad, 100u);
  EXPECT_GE(system->totalPhys, legacy.dwTotalPhys);
  EXPECT_LE(system->availPageFile, system->totalPageFile);
  EXPECT_LE(system->availVirtual, system->totalVirtual);
  // The program's own address space (about 2 GiB for a 32-bit program,
  // 128 TiB for a 64-bit one), not the machine's memory.
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  const auto userSpace = reinterpret_cast<std::uintptr_t>(info.lpMaximumApplicationAddress) -
                         reinterpret_cast<std::uintptr_t>(info.lpMinimumApplicationAddress) + 1;
  EXPECT_GT(system->totalVirtual, 0u);
  EXPECT_LE(system->totalVirtual, std::uint64_t{userSpace});
}

TEST(WinDiskSpace, DriveCHasAPlausibleSizeAndMissingDrivesNone) {
  WinDiskSpace disk;
  const auto c = disk.Read("C:\\");
  ASSERT_TRUE(c);
  EXPECT_GT(c->totalBytes, 100ull << 20);
  EXPECT_LE(c->freeBytes, c->totalBytes);
  EXPECT_LE(c->availableBytes, c->freeBytes);
  // A drive letter that names nothing.
  char missing[] = "?:\\";
  const DWORD drives = ::GetLogicalDrives();
  for (char letter = 'Y'; letter > 'C'; --letter) {
    if ((drives & (1u << (letter - 'A'))) == 0) {
      missing[0] = letter;
      break;
    }
  }
  ASSERT_NE(missing[0], '?');
  EXPECT_EQ(disk.Read(missing), std::nullopt) << missing;
  EXPECT_EQ(disk.Read(""), std::nullopt);

  const std::string windows = disk.SystemDirectory();
  EXPECT_EQ(Lower(windows), "c:\\windows");
  tarvelo::monitor::MonitorPlatform monitor;
  monitor.disk = &disk;
  tarvelo::monitor::SystemLevels levels;
  tarvelo::monitor::ModuleCpuMonitorSupport::GetDiskLevels(monitor, windows.substr(0, 3), levels);
  EXPECT_GT(levels.HDTotalBytes, 0);
  EXPECT_GT(levels.HDAvailablePercent, 0.0f);
  EXPECT_LE(levels.HDAvailablePercent, 100.0f);
}

TEST(WinDiskSpace, OldCallsClustersAreCountedIn64Bits) {
  const struct {
    unsigned long sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    std::uint64_t total, free;
  } cases[] = {
      {8, 512, 1000, 2000, 8192000ull, 4096000ull},
      {64, 512, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFFFull * 32768, 0x7FFFFFFFull * 32768},
      {0, 512, 10, 10, 0, 0},
  };
  for (const auto& c : cases) {
    const DiskSpace space = DiskSpaceFromClusters(c.sectorsPerCluster, c.bytesPerSector, c.freeClusters, c.totalClusters);
    EXPECT_EQ(space.totalBytes, c.total);
    EXPECT_EQ(space.freeBytes, c.free);
    EXPECT_EQ(space.availableBytes, c.free);
  }
}

}  // namespace
}  // namespace platform::win32_impl
