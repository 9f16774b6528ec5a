// The scheduler readers on fixture trees and on this process.
#include "platform/linux/limits/LinuxSchedulerStats.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

void Write(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

TEST(LinuxSchedulerStats, ParsesSchedstatAndPressure) {
  EXPECT_EQ(ParseSchedstat("5361000 12000 7\n"), (SchedulerStats::ThreadTimes{5361000, 12000}));
  EXPECT_EQ(ParseSchedstat("0 0 0"), (SchedulerStats::ThreadTimes{0, 0}));
  for (const char* bad : {"", "12", "x 1 2", "12 y 3", "-1 2 3", "12\n3 4"}) {
    EXPECT_FALSE(ParseSchedstat(bad)) << bad;
  }

  EXPECT_EQ(ParseCpuSomeTotal("some avg10=97.86 avg60=64.46 avg300=22.28 total=85530060\n"
                              "full avg10=0.00 avg60=0.00 avg300=0.00 total=0\n"),
            85530060u);
  EXPECT_EQ(ParseCpuSomeTotal("full avg10=0.00 avg60=0.00 avg300=0.00 total=3\n"
                              "some avg10=0.00 avg60=0.00 avg300=0.00 total=0"),
            0u);
  for (const char* bad : {"", "full avg10=0.00 total=3\n", "some avg10=1.00\n", "some total=12x\n",
                          "some avg10=0.00 total=-4\n", "something total=5\n"}) {
    EXPECT_FALSE(ParseCpuSomeTotal(bad)) << bad;
  }
}

TEST(LinuxSchedulerStats, ReadsEveryThreadOfAFixtureTree) {
  tarvelo::testing::TempDir root;
  Write(root.File("321/task/321/schedstat"), "1000 200 3\n");
  Write(root.File("321/task/322/schedstat"), "5000 700 9\n");
  Write(root.File("321/task/323/schedstat"), "garbage\n");   // passed over
  std::filesystem::create_directories(root.File("321/task/324"));  // ended while read
  std::filesystem::create_directories(root.File("400/task"));      // no thread left
  Write(root.File("pressure/cpu"), "some avg10=1.00 avg60=0.50 avg300=0.10 total=4242\nfull total=0\n");

  LinuxSchedulerStats stats(root.Path());
  EXPECT_EQ(stats.TimesOf(321),
            (SchedulerStats::ProcessTimes{{321, {1000, 200}}, {322, {5000, 700}}}));
  EXPECT_FALSE(stats.TimesOf(400));
  EXPECT_FALSE(stats.TimesOf(999)) << "gone";
  EXPECT_FALSE(stats.TimesOf(0));
  EXPECT_EQ(stats.CpuSomeStallUs(), 4242u);
  Write(root.File("pressure/cpu"), "some avg10=1.00 avg60=0.50 avg300=0.10 total=5000\n");
  EXPECT_EQ(stats.CpuSomeStallUs(), 5000u) << "read afresh";

  tarvelo::testing::TempDir bare;
  EXPECT_FALSE(LinuxSchedulerStats(bare.Path()).CpuSomeStallUs()) << "no pressure accounting";

  const std::uint64_t a = stats.NowNs();
  EXPECT_LE(a, stats.NowNs());
}

TEST(LinuxSchedulerStats, ReadsThisProcessOnTheRealSystem) {
  if (::access("/proc/self/schedstat", R_OK) != 0) GTEST_SKIP() << "the kernel keeps no schedstat";
  LinuxSchedulerStats stats;
  const auto times = stats.TimesOf(static_cast<ProcessId>(::getpid()));
  ASSERT_TRUE(times);
  ASSERT_TRUE(times->count(static_cast<std::uint32_t>(::getpid())));
  EXPECT_GT(times->at(static_cast<std::uint32_t>(::getpid())).runNs, 0u) << "this thread has run";
}

}  // namespace
}  // namespace platform::linux_impl
