#include "platform/linux/system/LinuxMemoryStatus.h"
#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"

#include <gtest/gtest.h>
#include <sys/sysinfo.h>

#include <optional>
#include <utility>
#include <vector>

#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

constexpr std::uint64_t kKiB = 1024;

TEST(LinuxMemoryStatus, ParsesMeminfo) {
  const struct {
    const char* what;
    std::string text;
    std::uint64_t total, avail;
  } cases[] = {
      {"usual file", "MemTotal:       16315508 kB\nMemFree:         1203456 kB\nMemAvailable:    9876543 kB\n",
       16315508 * kKiB, 9876543 * kKiB},
      {"more than 4 GiB", "MemTotal: 68719476736 kB\nMemAvailable: 34359738368 kB\n", 68719476736 * kKiB,
       34359738368 * kKiB},
      {"old kernel without MemAvailable", "MemTotal: 2048 kB\nMemFree: 1024 kB\n", 2048 * kKiB, 1024 * kKiB},
      {"names must match whole", "MemTotalX: 5 kB\nMemTotal: 7 kB\nMemAvailable: 3 kB\n", 7 * kKiB, 3 * kKiB},
      {"empty", "", 0, 0},
      {"garbage", "MemTotal: lots\n\x01\x02", 0, 0},
  };
  for (const auto& c : cases) {
    const MemoryStatus s = ParseMeminfo(c.text);
    EXPECT_EQ(s.totalPhys, c.total) << c.what;
    EXPECT_EQ(s.availPhys, c.avail) << c.what;
  }
}

TEST(LinuxMemoryStatus, ReadsTheFileAfreshEachTime) {
  TempDir proc;
  WriteFile(proc.File("meminfo"), "MemTotal: 2048 kB\nMemAvailable: 1024 kB\n");
  LinuxMemoryStatus memory(proc.Path());
  EXPECT_EQ(memory.Read(), (MemoryStatus{2048 * kKiB, 1024 * kKiB}));
  // The same open file sees the new contents (a fixture is rewritten in place).
  WriteFile(proc.File("meminfo"), "MemTotal: 2048 kB\nMemAvailable: 512 kB\n");
  EXPECT_EQ(memory.Read(), (MemoryStatus{2048 * kKiB, 512 * kKiB}));
}

TEST(LinuxMemoryStatus, MissingFileReadsAsZero) {
  TempDir proc;
  LinuxMemoryStatus memory(proc.Path());
  EXPECT_EQ(memory.Read(), MemoryStatus{});
}

TEST(LinuxMemoryStatus, RealSystemAgreesWithSysinfo) {
  LinuxMemoryStatus memory;
  const MemoryStatus s = memory.Read();
  struct sysinfo info {};
  ASSERT_EQ(::sysinfo(&info), 0);
  const std::uint64_t total = static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
  EXPECT_EQ(s.totalPhys, total);
  EXPECT_GT(s.availPhys, 0u);
  EXPECT_LE(s.availPhys, s.totalPhys);
}

// Free swap, which programs' own memory needs to be released.
TEST(LinuxSwap, FreeSwapFromMeminfo) {
  TempDir dir;
  for (const auto& [meminfo, expected] : std::vector<std::pair<std::string, std::optional<bool>>>{
           {"MemTotal: 100 kB\nSwapTotal:       0 kB\nSwapFree:        0 kB\n", false},
           {"MemTotal: 100 kB\nSwapTotal: 2048 kB\nSwapFree:      204 kB\n", true},
           {"MemTotal: 100 kB\n", std::nullopt}}) {
    WriteFile(dir.File("meminfo"), meminfo);
    EXPECT_EQ(LinuxWorkingSetTrimmer(dir.Path()).SwapFree(), expected) << meminfo;
  }
}

}  // namespace
}  // namespace platform::linux_impl
