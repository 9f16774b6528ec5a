#include "platform/linux/CgroupCpuLimiter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/CpuShare.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::CpuLimitError;
using platform::linux_impl::CgroupCpuLimiter;
using platform::linux_impl::CgroupPlaces;
using platform::linux_impl::CgroupVersion;
using tarvelo::testing::ReadFile;
using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

// A fixture tree: a hierarchy with an application's group, a /proc with one
// process in it, and a place for the records.
class CgroupFixture : public ::testing::TestWithParam<CgroupVersion> {
 protected:
  void SetUp() override {
    places.version = GetParam();
    places.hierarchy = dir.File("cgroup");
    places.procRoot = dir.File("proc");
    places.stateDirectory = dir.File("state");
    places.processors = 4;
    fs::create_directories(App());
    WriteFile(App() + "/cgroup.procs", "4321\n");
    WriteFile(places.hierarchy + "/cgroup.procs", "1\n");
    if (V2()) {
      WriteFile(places.hierarchy + "/cgroup.subtree_control", "cpu memory\n");
    } else {
      WriteFile(places.hierarchy + "/cpu.cfs_quota_us", "-1\n");
    }
    AddProcess(4321, 777);
  }
  bool V2() const { return places.version == CgroupVersion::V2; }
  std::string App() const { return places.hierarchy + "/user.slice/app"; }
  void AddProcess(int pid, std::uint64_t start) {
    const std::string p = places.procRoot + "/" + std::to_string(pid);
    fs::create_directories(p);
    // A name with spaces and parentheses: the fields are counted after the last ')'.
    std::string stat = std::to_string(pid) + " (a (b) c) R 1 1 1 0 -1 4194304 1 0 0 0 5 6 0 0 20 0 1 0 " +
                       std::to_string(start) + " 1000 100 18446744073709551615\n";
    WriteFile(p + "/stat", stat);
    WriteFile(p + "/cgroup", V2() ? "0::/user.slice/app\n"
                                  : "3:memory:/m\n2:cpu,cpuacct:/user.slice/app\n1:name=systemd:/x\n");
  }
  std::string Quota(const std::string& group) const {
    return ReadFile(group + (V2() ? "/cpu.max" : "/cpu.cfs_quota_us"));
  }

  TempDir dir;
  CgroupPlaces places;
};

TEST_P(CgroupFixture, WritesTheQuotaMovesTheProcessInAndBack) {
  CgroupCpuLimiter limiter(places);
  ASSERT_TRUE(limiter.Available());
  ASSERT_EQ(limiter.Apply(4321, 20), CpuLimitError::None);
  const std::string group = places.hierarchy + "/tarvelo/4321-777";
  EXPECT_EQ(limiter.GroupOf(4321), group);
  // 20 % of four processors: 0.8 of a processor per period.
  EXPECT_EQ(Quota(group), V2() ? "80000 100000\n" : "80000\n");
  if (V2()) {
    EXPECT_EQ(ReadFile(places.hierarchy + "/tarvelo/cgroup.subtree_control"), "+cpu\n");
  } else {
    EXPECT_EQ(ReadFile(group + "/cpu.cfs_period_us"), "100000\n");
  }
  EXPECT_EQ(ReadFile(group + "/cgroup.procs"), "4321\n");
  EXPECT_EQ(ReadFile(places.stateDirectory + "/4321-777"), "/user.slice/app\n");
  EXPECT_EQ(fs::status(places.stateDirectory).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_TRUE(limiter.Limits(4321));

  ASSERT_EQ(limiter.Apply(4321, 5), CpuLimitError::None);
  EXPECT_EQ(Quota(group), V2() ? "20000 100000\n" : "20000\n");

  EXPECT_TRUE(limiter.Lift(4321));
  EXPECT_EQ(ReadFile(App() + "/cgroup.procs"), "4321\n");
  EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo")) << "no group left behind";
  EXPECT_FALSE(fs::exists(places.stateDirectory + "/4321-777"));
  EXPECT_FALSE(limiter.Limits(4321));
  EXPECT_TRUE(fs::exists(App())) << "the application's own group stays";
}

TEST_P(CgroupFixture, AReusedPidIsNotLimited) {
  CgroupCpuLimiter limiter(places);
  ASSERT_EQ(limiter.Apply(4321, 20), CpuLimitError::None);
  AddProcess(4321, 999);  // the process ended; a new one got its pid
  EXPECT_FALSE(limiter.Limits(4321));
  EXPECT_EQ(limiter.Apply(4321, 30), CpuLimitError::ProcessGone);
  EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo"));
  EXPECT_EQ(limiter.Apply(999, 30), CpuLimitError::ProcessGone) << "no such process";
}

TEST_P(CgroupFixture, LeftoversOfAnEarlierRunAreLiftedAndNothingElse) {
  const std::string leftover = places.hierarchy + "/tarvelo/4321-777";
  fs::create_directories(leftover);
  WriteFile(leftover + "/cgroup.procs", "4321\n");
  WriteFile(leftover + (V2() ? "/cpu.max" : "/cpu.cfs_quota_us"), V2() ? "5000 100000\n" : "5000\n");
  fs::create_directories(places.stateDirectory);
  WriteFile(places.stateDirectory + "/4321-777", "/user.slice/app\n");
  WriteFile(places.stateDirectory + "/55-1", "/gone\n");  // a record whose group is gone
  WriteFile(App() + "/cgroup.procs", "");
  const std::string other = places.hierarchy + "/somebody-else";
  fs::create_directories(other);
  WriteFile(other + "/cgroup.procs", "88\n");

  CgroupCpuLimiter limiter(places);
  EXPECT_EQ(limiter.LiftLeftovers(), 1);
  EXPECT_EQ(ReadFile(App() + "/cgroup.procs"), "4321\n");
  EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo"));
  EXPECT_FALSE(fs::exists(places.stateDirectory + "/4321-777"));
  EXPECT_FALSE(fs::exists(places.stateDirectory + "/55-1"));
  EXPECT_EQ(ReadFile(other + "/cgroup.procs"), "88\n");
  EXPECT_EQ(limiter.LiftLeftovers(), 0);
}

TEST_P(CgroupFixture, TheRecordIsNeverWrittenThroughALink) {
  fs::create_directories(dir.File("elsewhere"));
  fs::create_directory_symlink(dir.File("elsewhere"), places.stateDirectory);
  CgroupCpuLimiter limiter(places);
  EXPECT_EQ(limiter.Apply(4321, 20), CpuLimitError::Failed);
  EXPECT_TRUE(fs::is_empty(dir.File("elsewhere")));
  EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo"));
}

INSTANTIATE_TEST_SUITE_P(Versions, CgroupFixture, ::testing::Values(CgroupVersion::V1, CgroupVersion::V2),
                         [](const auto& param) { return param.param == CgroupVersion::V1 ? "V1" : "V2"; });

TEST(CgroupCpuLimiter, WithoutTheCpuControllerItIsNotAvailable) {
  TempDir dir;
  WriteFile(dir.File("cgroup.procs"), "");
  WriteFile(dir.File("cgroup.subtree_control"), "memory pids\n");
  EXPECT_FALSE(CgroupCpuLimiter::Usable({CgroupVersion::V2, dir.Path(), "/proc", dir.File("s"), 0}));
  EXPECT_FALSE(CgroupCpuLimiter::Usable({CgroupVersion::V1, dir.Path(), "/proc", dir.File("s"), 0}));
}

// ---- The real hierarchy of this machine (root) ----

// The cpu controller's hierarchy where this test may write it.
std::optional<CgroupPlaces> RealPlaces(const std::string& stateDirectory) {
  for (CgroupPlaces places : {CgroupPlaces{CgroupVersion::V2, "/sys/fs/cgroup", "/proc", stateDirectory, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu", "/proc", stateDirectory, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu,cpuacct", "/proc", stateDirectory, 0}}) {
    if (CgroupCpuLimiter::Usable(places)) return places;
  }
  return std::nullopt;
}

std::string CgroupLine(pid_t pid) { return ReadFile("/proc/" + std::to_string(pid) + "/cgroup"); }

TEST(CgroupCpuLimiterReal, ABusyProcessGetsNoMoreThanItsCapUntilLifted) {
  TempDir state;
  const auto places = RealPlaces(state.File("records"));
  if (!places) GTEST_SKIP() << "no writable cpu controller hierarchy (needs root and the cpu controller)";
  tarvelo::testing::BusyChild limited;
  tarvelo::testing::BusyChild reference;
  const std::string before = CgroupLine(limited.Pid());
  CgroupCpuLimiter limiter(*places);
  ASSERT_EQ(limiter.Apply(limited.Pid(), 20), CpuLimitError::None);
  EXPECT_NE(CgroupLine(limited.Pid()).find("/tarvelo/"), std::string::npos);

  const double share = tarvelo::testing::MeasureShares({limited.Pid()}, std::chrono::seconds(4))[0];
  EXPECT_LE(share, 0.22) << "20 % of the whole machine, measured over 4 s";

  ASSERT_TRUE(limiter.Lift(limited.Pid()));
  EXPECT_EQ(CgroupLine(limited.Pid()), before) << "back in the group it came from";
  EXPECT_FALSE(fs::exists(limiter.ParentGroup())) << "no group left behind";
  EXPECT_TRUE(tarvelo::testing::RunsAsFastAs(limited.Pid(), reference.Pid(), 0.7, std::chrono::seconds(60)))
      << "full speed again, as fast as an uncapped process next to it";
}

TEST(CgroupCpuLimiterReal, TheNextStartLiftsWhatACrashedRunLeft) {
  TempDir state;
  const auto places = RealPlaces(state.File("records"));
  if (!places) GTEST_SKIP() << "no writable cpu controller hierarchy (needs root and the cpu controller)";
  tarvelo::testing::BusyChild limited;
  tarvelo::testing::BusyChild reference;
  const std::string before = CgroupLine(limited.Pid());

  // A helper sets the limit and is killed with it in force.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t helper = ::fork();
  if (helper == 0) {
    ::close(ready[0]);
    auto* crashing = new CgroupCpuLimiter(*places);  // never destroyed: the helper dies with the limit set
    const char answer = crashing->Apply(limited.Pid(), 10) == CpuLimitError::None ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  ::close(ready[0]);
  ::kill(helper, SIGKILL);
  ::waitpid(helper, nullptr, 0);
  ASSERT_EQ(answer, 'y');
  EXPECT_LE(tarvelo::testing::MeasureShares({limited.Pid()}, std::chrono::seconds(3))[0], 0.12)
      << "the crash left the limit in force";

  CgroupCpuLimiter nextStart(*places);
  EXPECT_EQ(nextStart.LiftLeftovers(), 1);
  EXPECT_EQ(CgroupLine(limited.Pid()), before);
  EXPECT_FALSE(fs::exists(nextStart.ParentGroup()));
  EXPECT_TRUE(tarvelo::testing::RunsAsFastAs(limited.Pid(), reference.Pid(), 0.7, std::chrono::seconds(60)));
}

}  // namespace
