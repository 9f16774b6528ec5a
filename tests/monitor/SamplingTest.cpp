// The system-facing half of the control: the CPU formula and its baseline,
// the memory and disk figures, the legacy counter's seam, FormatFilesize.
#include <gtest/gtest.h>

#include <cmath>

#include "monitor/FormatFilesize.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "platform/fake/FakePlatform.h"

namespace tarvelo::monitor {
namespace {

namespace Support = ModuleCpuMonitorSupport;
using platform::CpuTimes;

constexpr std::int64_t kSecond = 10'000'000;

TEST(CpuUsage, FormulaOverOneInterval) {
  const struct {
    const char* what;
    std::int64_t idle, sys;
    int processors;
    float load;
  } cases[] = {
      {"no time passed: 100.5 rounds to 100", 0, 0, 1, 100},
      {"fully idle on one processor: 0.5 rounds to 0", kSecond, kSecond, 1, 0},
      {"two processors, r = 0.745: 63.25", 7'450'000, kSecond, 2, 63},
      {"one processor, r = 0.25: 75.5 rounds to the even 76", 2'500'000, kSecond, 1, 76},
      {"r rounded to four decimals first: 1/3 -> 0.3333", 1, 3, 1, 67},
      {"idle a little faster than time: -1.5 -> -2, not clamped", 10'200'000, kSecond, 1, -2},
      {"two processors, r = 2.03: -1", 20'300'000, kSecond, 2, -1},
      {"no system time but idle time: idle in ms is r", 50'000, 0, 1, -400},
      {"a busy interval", 0, kSecond, 4, 100},
  };
  for (const auto& c : cases) {
    platform::fake::FakeCpuTimes times;
    const MonitorPlatform p{.cpuTimes = &times};
    CpuCounterBaseline baseline{1000, 5000};
    times.times = CpuTimes{1000 + c.idle, 5000 + c.sys, c.processors};
    EXPECT_EQ(Support::GetCpuUsage(true, p, baseline), c.load) << c.what;
    EXPECT_EQ(baseline.PreviousIdleTime, 1000 + c.idle) << c.what;
    EXPECT_EQ(baseline.PreviousSystemTime, 5000 + c.sys) << c.what;
  }
}

TEST(CpuUsage, FailedReadingIsMinusOneAndKeepsTheBaseline) {
  platform::fake::FakeCpuTimes times;
  const MonitorPlatform p{.cpuTimes = &times};
  CpuCounterBaseline baseline{7, 9};
  EXPECT_EQ(Support::GetCpuUsage(true, p, baseline), -1) << "no reading";
  times.times = CpuTimes{100, 200, 0};
  EXPECT_EQ(Support::GetCpuUsage(true, p, baseline), -1) << "no processors";
  EXPECT_EQ(Support::GetCpuUsage(true, MonitorPlatform{}, baseline), -1) << "no source";
  EXPECT_EQ(baseline.PreviousIdleTime, 7);
  EXPECT_EQ(baseline.PreviousSystemTime, 9);

  // The next good reading measures from the old baseline.
  times.times = CpuTimes{7 + kSecond / 4, 9 + kSecond, 1};
  EXPECT_EQ(Support::GetCpuUsage(true, p, baseline), 76);
}

TEST(CpuUsage, InitTakesTheBaselineUnlessTheReadingFails) {
  platform::fake::FakeCpuTimes times;
  const MonitorPlatform p{.cpuTimes = &times};
  CpuCounterBaseline baseline{1, 2};
  Support::InitCpuCounter(true, p, baseline);
  EXPECT_EQ(baseline.PreviousIdleTime, 1);
  times.times = CpuTimes{40, 80, 2};
  Support::InitCpuCounter(true, p, baseline);
  EXPECT_EQ(baseline.PreviousIdleTime, 40);
  EXPECT_EQ(baseline.PreviousSystemTime, 80);
}

class FakeLegacyCounter final : public platform::LegacyCpuCounter {
 public:
  void Start() override { ++starts; }
  std::optional<std::uint32_t> Read() override { return value; }
  void Stop() override { ++stops; }
  std::optional<std::uint32_t> value;
  int starts = 0;
  int stops = 0;
};

TEST(CpuUsage, LegacyCounterGivesItsLowByteOrTellsTheUser) {
  FakeLegacyCounter counter;
  std::vector<std::string> messages;
  MonitorPlatform p{.legacyCpuCounter = &counter};
  p.showMessage = [&](std::string_view text) { messages.emplace_back(text); };
  EXPECT_FALSE(Support::IsWindowsNT(p));
  EXPECT_TRUE(Support::IsWindowsNT(MonitorPlatform{}));

  Support::InitCpuCounter(false, p);
  EXPECT_EQ(counter.starts, 1);
  counter.value = 0x1234;
  EXPECT_EQ(Support::GetCpuUsage(false, p), 0x34);
  EXPECT_TRUE(messages.empty());
  counter.value.reset();
  EXPECT_EQ(Support::GetCpuUsage(false, p), -1);
  EXPECT_EQ(messages, std::vector<std::string>{"Unable to Query Registry!"});
  Support::StopCpuCounter(false, p);
  Support::StopCpuCounter(true, p);
  EXPECT_EQ(counter.stops, 1);
}

TEST(MemoryLevels, CountsAndSharesInUse) {
  platform::fake::FakeSystemMemory memory;
  const MonitorPlatform p{.memory = &memory};
  SystemLevels levels;
  levels.CPULoadPercent = 12;
  EXPECT_FALSE(Support::GetMemoryLevels(p, levels)) << "a failed reading";
  EXPECT_EQ(levels, SystemLevels{.CPULoadPercent = 12});

  // 64-bit sizes, far above 2 GiB.
  constexpr std::int64_t kGiB = 1ll << 30;
  memory.status = platform::SystemMemoryStatus{25, 64 * kGiB, 48 * kGiB, 80 * kGiB, 20 * kGiB, 128 * 1024 * kGiB,
                                               96 * 1024 * kGiB};
  EXPECT_TRUE(Support::GetMemoryLevels(p, levels));
  EXPECT_EQ(levels.MemoryLoadPercent, 25);
  EXPECT_EQ(levels.PhysicalMemoryTotal, 64 * kGiB);
  EXPECT_EQ(levels.PhysicalMemoryAvailable, 48 * kGiB);
  EXPECT_EQ(levels.PhysicalMemoryAvailablePercent, 25);
  EXPECT_EQ(levels.PageFileAvailablePercent, 75);
  EXPECT_EQ(levels.VirtualMemoryTotal, 128 * 1024 * kGiB);
  EXPECT_EQ(levels.VirtualMemoryAvailablePercent, 25);

  // A total of zero stops the shares there; the counts are stored.
  memory.status = platform::SystemMemoryStatus{30, 100, 10, 0, 0, 50, 40};
  EXPECT_TRUE(Support::GetMemoryLevels(p, levels));
  EXPECT_EQ(levels.PhysicalMemoryAvailablePercent, 90);
  EXPECT_EQ(levels.PageFileTotal, 0);
  EXPECT_EQ(levels.VirtualMemoryTotal, 50);
  EXPECT_EQ(levels.PageFileAvailablePercent, 75) << "kept";
  EXPECT_EQ(levels.VirtualMemoryAvailablePercent, 25) << "kept, though its total is not 0";
}

TEST(DiskLevels, FreeShareRoundedToFourDecimals) {
  platform::fake::FakeDiskSpace disk;
  const MonitorPlatform p{.disk = &disk};
  disk.drives["C:\\"] = platform::DiskSpace{3'000'000'000'000, 1'000'000'000'000, 999'999'999'999};
  SystemLevels levels;
  Support::GetDiskLevels(p, "C:\\", levels);
  EXPECT_EQ(levels.HDTotalBytes, 3'000'000'000'000);
  EXPECT_EQ(levels.HDTotalFreeBytes, 1'000'000'000'000);
  EXPECT_EQ(levels.HDAvailableFreeBytes, 999'999'999'999);
  EXPECT_EQ(levels.HDTotalBytesUsed, 2'000'000'000'001);
  EXPECT_EQ(levels.HDAvailablePercent, 33.3333f);

  // A size of zero keeps the share of the previous sample.
  disk.drives["E:\\"] = platform::DiskSpace{0, 0, 0};
  Support::GetDiskLevels(p, "E:\\", levels);
  EXPECT_EQ(levels.HDTotalBytes, 0);
  EXPECT_EQ(levels.HDAvailablePercent, 33.3333f);

  // A drive that does not exist: all five fields 0.
  Support::GetDiskLevels(p, "Q:\\", levels);
  EXPECT_EQ(levels, SystemLevels{});
  EXPECT_EQ(disk.paths.back(), "Q:\\");
}

TEST(FormatFilesize, UnitsAndRounding) {
  constexpr double kGB = 1073741824;
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0 B"},
      {1024, "1,024 B"},
      {1536, "2 K"},
      {1048575, "1,024 K"},
      {1048576, "1.00 MB"},  // the one value between the K and MB rows
      {1572864, "1.50 MB"},
      {kGB, "1.00 GB"},
      {5 * kGB, "5.00 GB"},
      {2.5, "3 B"},                 // halves away from zero
      {2560, "3 K"},
      {1048576 + 5243, "1.01 MB"},  // 1.0050001
      {1234567 * kGB, "1,234,567.00 GB"},
      {-1234567, "-1,234,567 B"},
      {-0.4, "0 B"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFilesize(c.value), c.text) << c.value;

  const NumberFormat german{".", ","};
  EXPECT_EQ(FormatFilesize(1024, german), "1.024 B");
  EXPECT_EQ(FormatFilesize(1572864, german), "1,50 MB");
  EXPECT_EQ(FormatFilesize(1234 * kGB, german), "1.234,00 GB");
  EXPECT_EQ(FormatFilesize(1024, NumberFormat{"\u202F", "."}), "1\u202F024 B");

  EXPECT_EQ(FormatFilesize(std::nan("")), "");
  EXPECT_EQ(FormatFilesize(HUGE_VAL), "");
}

}  // namespace
}  // namespace tarvelo::monitor
