// The Linux readings behind the diagram, on fixture files and on this system.
#include <gtest/gtest.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <thread>

#include "platform/linux/system/LinuxCpuTimes.h"
#include "platform/linux/system/LinuxDiskSpace.h"
#include "platform/linux/system/LinuxSystemMemory.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

constexpr std::uint64_t kKiB = 1024;

const char kStat[] =
    "cpu  4705 356 584 3699176 23060 0 277 0 0 0\n"
    "cpu0 1393 280 255 922212 5771 0 236 0 0 0\n"
    "cpu1 1133 20 96 925696 5774 0 14 0 0 0\n"
    "cpu2 1149 27 112 925594 5760 0 14 0 0 0\n"
    "cpu3 1030 29 121 925674 5755 0 13 0 0 0\n"
    "intr 114930548 113199788 3 0 5 263 0 0 0\n"
    "ctxt 1990473\n";

TEST(LinuxCpuTimes, ParsesIdleAndIowaitOfTheCpuLine) {
  const struct {
    const char* what;
    std::string text;
    long hz;
    std::int64_t idle;
    int processors;
  } cases[] = {
      {"four processors", kStat, 100, (3699176 + 23060) * 100'000ll, 4},
      {"a tick rate that does not divide a second", "cpu  1 2 3 5 1\ncpu0 1 2 3 5 1\n", 250, 6 * 40'000ll, 1},
      {"before iowait existed", "cpu  1 2 3 7\ncpu0 1 2 3 7\n", 100, 7 * 100'000ll, 1},
      {"no processor lines", "cpu  1 2 3 7 0\nintr 5\n", 100, 7 * 100'000ll, 0},
      {"the cpu line ends the file", "cpu  1 2 3 9 1", 100, 10 * 100'000ll, 0},
      {"the largest time that fits", "cpu  0 0 0 922337203680 5", 1, 9223372036850000000ll, 0},
  };
  for (const auto& c : cases) {
    const auto figures = ParseProcStat(c.text, c.hz);
    ASSERT_TRUE(figures) << c.what;
    EXPECT_EQ(figures->idleTime, c.idle) << c.what;
    EXPECT_EQ(figures->processorCount, c.processors) << c.what;
  }
  // Absurd counts, which no kernel writes: too large for 64 bits as a count,
  // as a sum, or as a time in 100 ns units.
  for (const char* bad : {"", "intr 1 2\ncpu  1 2 3 4\n", "cpu  1 2 x\n", "cpu  1 2 3\n",
                          "cpu  1 2 3 18446744073709551616 0\n", "cpu  1 2 3 18446744073709551615 1\n",
                          "cpu  1 2 3 18446744073709551615 0\n"}) {
    EXPECT_FALSE(ParseProcStat(bad, 100)) << bad;
  }
  EXPECT_FALSE(ParseProcStat(kStat, 0));
  EXPECT_FALSE(ParseProcStat("cpu  0 0 0 922337203680 6\n", 1)) << "one 100 ns unit past the largest time";
}

TEST(LinuxCpuTimes, ReadsTheFixtureAfreshWithAMonotonicClock) {
  TempDir proc;
  WriteFile(proc.File("stat"), kStat);
  LinuxCpuTimes times(proc.Path());
  const auto first = times.Read();
  ASSERT_TRUE(first);
  const std::int64_t hz = ::sysconf(_SC_CLK_TCK);
  EXPECT_EQ(first->idleTime, (3699176 + 23060) * (10'000'000 / hz));
  EXPECT_EQ(first->processorCount, 4);

  WriteFile(proc.File("stat"), "cpu  0 0 0 100 0\ncpu0 0 0 0 100 0\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto second = times.Read();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->idleTime, 100 * (10'000'000 / hz));
  EXPECT_EQ(second->processorCount, 1);
  EXPECT_GE(second->systemTime - first->systemTime, 200'000) << "20 ms in 100 ns units";
}

TEST(LinuxCpuTimes, ManyProcessorsBeyondTheFirstBuffer) {
  TempDir proc;
  std::string text = "cpu  1 1 1 1000 10 0 0 0 0 0\n";
  for (int i = 0; i < 300; ++i) text += "cpu" + std::to_string(i) + " 1 1 1 3 0 0 0 0 0 0\n";
  text += "intr " + std::string(20000, '1') + "\n";
  WriteFile(proc.File("stat"), text);
  LinuxCpuTimes times(proc.Path());
  const auto t = times.Read();
  ASSERT_TRUE(t);
  EXPECT_EQ(t->processorCount, 300) << "more than a byte's worth, counted in full";
}

TEST(LinuxCpuTimes, MissingFileIsAFailedReading) {
  TempDir proc;
  LinuxCpuTimes times(proc.Path());
  EXPECT_FALSE(times.Read());
}

TEST(LinuxCpuTimes, RealSystem) {
  LinuxCpuTimes times;
  const auto a = times.Read();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto b = times.Read();
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->processorCount, ::sysconf(_SC_NPROCESSORS_ONLN));
  const std::int64_t sys = b->systemTime - a->systemTime;
  const std::int64_t idle = b->idleTime - a->idleTime;
  EXPECT_GE(sys, 2'000'000);
  EXPECT_LT(sys, 100'000'000);
  // Idle time over all processors, give or take a tick on each.
  const std::int64_t tick = 10'000'000 / ::sysconf(_SC_CLK_TCK);
  EXPECT_GE(idle, -b->processorCount * tick);
  EXPECT_LE(idle, b->processorCount * (sys + 2 * tick));
}

TEST(LinuxSystemMemory, ParsesPhysicalAndCommitFigures) {
  const struct {
    const char* what;
    std::string text;
    SystemMemoryStatus status;
  } cases[] = {
      {"usual file",
       "MemTotal: 1000 kB\nMemFree: 100 kB\nMemAvailable: 625 kB\nCommitLimit: 4000 kB\nCommitted_AS: 1000 kB\n",
       {38, 1000 * kKiB, 625 * kKiB, 4000 * kKiB, 3000 * kKiB, 0, 0}},  // 37.5 to the even 38
      {"overcommitted: nothing available, not below 0",
       "MemTotal: 1000 kB\nMemAvailable: 500 kB\nCommitLimit: 4000 kB\nCommitted_AS: 9000 kB\n",
       {50, 1000 * kKiB, 500 * kKiB, 4000 * kKiB, 0, 0, 0}},
      {"old kernel", "MemTotal: 1000 kB\nMemFree: 250 kB\n", {75, 1000 * kKiB, 250 * kKiB, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const auto status = ParseSystemMeminfo(c.text);
    ASSERT_TRUE(status) << c.what;
    EXPECT_EQ(*status, c.status) << c.what;
  }
  EXPECT_FALSE(ParseSystemMeminfo("MemFree: 5 kB\n"));
  EXPECT_EQ(ParseStatmSize("2500 300 200 1 0 400 0\n", 4096), 2500u * 4096);
  EXPECT_FALSE(ParseStatmSize("", 4096));
}

TEST(LinuxSystemMemory, ReadsTheFixtureTree) {
  TempDir proc;
  WriteFile(proc.File("meminfo"), "MemTotal: 2048 kB\nMemAvailable: 512 kB\nCommitLimit: 3000 kB\nCommitted_AS: 1000 kB\n");
  std::filesystem::create_directory(proc.File("self"));
  WriteFile(proc.File("self/statm"), "1000 10 10 1 0 10 0\n");
  LinuxSystemMemory memory(proc.Path());
  const auto status = memory.Read();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->memoryLoad, 75u);
  EXPECT_EQ(status->availPageFile, 2000 * kKiB);
  EXPECT_EQ(status->totalVirtual, AddressSpaceLimit());
  EXPECT_EQ(status->availVirtual, AddressSpaceLimit() - 1000 * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));

  std::filesystem::remove(proc.File("self/statm"));
  LinuxSystemMemory withoutStatm(proc.Path());
  EXPECT_FALSE(withoutStatm.Read());
}

TEST(LinuxSystemMemory, RealSystem) {
  LinuxSystemMemory memory;
  const auto s = memory.Read();
  ASSERT_TRUE(s);
  struct sysinfo info {};
  ASSERT_EQ(::sysinfo(&info), 0);
  EXPECT_EQ(s->totalPhys, static_cast<std::uint64_t>(info.totalram) * info.mem_unit);
  EXPECT_GT(s->availPhys, 0u);
  EXPECT_LE(s->availPhys, s->totalPhys);
  EXPECT_LE(s->memoryLoad, 100u);
  EXPECT_GT(s->totalPageFile, 0u);
  EXPECT_LE(s->availPageFile, s->totalPageFile);
  EXPECT_GE(s->totalVirtual, std::uint64_t{1} << 31);
  EXPECT_LT(s->availVirtual, s->totalVirtual) << "this program takes some of its address space";
}

TEST(LinuxDiskSpace, DriveRootsAndPaths) {
  const struct {
    const char* path;
    std::optional<std::string> mapped;
  } cases[] = {
      {"C:\\", "/root-fs"}, {"c:\\", "/root-fs"}, {"C:", "/root-fs"},  {"C:/", "/root-fs"},
      {"D:\\", std::nullopt}, {"C", std::nullopt}, {"", std::nullopt}, {"C:\\Windows", std::nullopt},
      {"/", "/"},           {"/home/x", "/home/x"}, {"relative/path", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(MapDrivePath(c.path, "/root-fs"), c.mapped) << c.path;
}

TEST(LinuxDiskSpace, StatvfsOfTheMappedDirectory) {
  TempDir dir;
  LinuxDiskSpace disk(dir.Path());
  const auto space = disk.Read("C:\\");
  ASSERT_TRUE(space);
  struct statvfs fs {};
  ASSERT_EQ(::statvfs(dir.Path().c_str(), &fs), 0);
  EXPECT_EQ(space->totalBytes, static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize);
  EXPECT_LE(space->availableBytes, space->freeBytes);
  EXPECT_LE(space->freeBytes, space->totalBytes);
  EXPECT_FALSE(disk.Read("E:\\"));
  EXPECT_FALSE(disk.Read(dir.File("missing")));
  EXPECT_EQ(disk.SystemDirectory(), "/");

  LinuxDiskSpace real;
  const auto root = real.Read("C:\\");
  ASSERT_TRUE(root);
  EXPECT_GT(root->totalBytes, 0u);
}

}  // namespace
}  // namespace platform::linux_impl
