#include "platform/linux/limits/CgroupCpuLimiter.h"
#include "platform/linux/limits/LinuxCpuLimiter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/CpuShare.h"
#include "support/MissingInCi.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::CpuLimitError;
using platform::linux_impl::CgroupCpuLimiter;
using platform::linux_impl::CgroupPlaces;
using platform::linux_impl::CgroupVersion;
using platform::linux_impl::CpuGroupOf;
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

// The group the process came from is gone when the limit is lifted: it goes
// to the nearest group above that is left, under that group's caps, never
// higher; a lift after a crash does the same.
TEST_P(CgroupFixture, ALiftNeverTakesAProcessAboveTheGroupItCameFrom) {
  struct Case {
    const char* what;
    bool parentRefuses;  // takes no processes, as cgroup v2 has it for a group whose children have controllers
    bool liftedRefuses;  // and neither does a group made inside it
    const char* placed;  // the cgroup.procs that gets the process, under the hierarchy; "" for none
  };
  for (const Case& c : {Case{"the parent takes it", false, false, "/user.slice/cgroup.procs"},
                        Case{"the parent takes no processes", true, false, "/user.slice/tarvelo-lifted/cgroup.procs"},
                        Case{"nothing below the top takes it", true, true, ""}}) {
    for (const bool afterCrash : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (afterCrash ? ", after a crash" : ""));
      fs::remove_all(places.hierarchy);
      fs::remove_all(places.stateDirectory);
      SetUp();
      const std::string group = places.hierarchy + "/tarvelo/4321-777";
      const std::string record = places.stateDirectory + "/4321-777";
      CgroupCpuLimiter limiter(places);
      if (afterCrash) {
        fs::create_directories(group);
        WriteFile(group + "/cgroup.procs", "4321\n");
        WriteFile(group + (V2() ? "/cpu.max" : "/cpu.cfs_quota_us"), V2() ? "80000 100000\n" : "80000\n");
        fs::create_directories(places.stateDirectory);
        WriteFile(record, "/user.slice/app\n");
      } else {
        ASSERT_EQ(limiter.Apply(4321, 20), CpuLimitError::None);
      }
      fs::remove_all(App());
      if (c.parentRefuses) fs::create_directories(places.hierarchy + "/user.slice/cgroup.procs");
      if (c.liftedRefuses) fs::create_directories(places.hierarchy + "/user.slice/tarvelo-lifted/cgroup.procs");

      const bool lifted = afterCrash ? limiter.LiftLeftovers() == 1 : limiter.Lift(4321);
      EXPECT_EQ(ReadFile(places.hierarchy + "/cgroup.procs"), "1\n") << "the top of the hierarchy";
      if (*c.placed != '\0') {
        EXPECT_TRUE(lifted);
        EXPECT_EQ(ReadFile(places.hierarchy + c.placed), "4321\n");
        EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo"));
        EXPECT_FALSE(fs::exists(record));
      } else {
        EXPECT_FALSE(lifted);
        EXPECT_EQ(ReadFile(group + "/cgroup.procs"), "4321\n") << "it stays under its cap";
        EXPECT_EQ(Quota(group), V2() ? "80000 100000\n" : "80000\n");
        EXPECT_TRUE(fs::exists(record)) << "for the next start to try again";
        if (!afterCrash) {
          EXPECT_TRUE(limiter.Limits(4321));
        }
      }
      fs::remove_all(places.hierarchy + "/tarvelo");  // nothing left for the destructor to try
    }
  }
}

// A child that a limited process started is in the limiter's group: limited
// itself, it goes back where its parent came from, not into that group.
TEST_P(CgroupFixture, AChildOfALimitedProcessGoesBackWhereItsParentCameFrom) {
  CgroupCpuLimiter limiter(places);
  ASSERT_EQ(limiter.Apply(4321, 20), CpuLimitError::None);
  AddProcess(4322, 778);
  WriteFile(places.procRoot + "/4322/cgroup",
            V2() ? "0::/tarvelo/4321-777\n" : "2:cpu,cpuacct:/tarvelo/4321-777\n");
  ASSERT_EQ(limiter.Apply(4322, 10), CpuLimitError::None);
  EXPECT_EQ(ReadFile(places.stateDirectory + "/4322-778"), "/user.slice/app\n");
  ASSERT_TRUE(limiter.Lift(4321));
  ASSERT_TRUE(limiter.Lift(4322));
  EXPECT_EQ(ReadFile(App() + "/cgroup.procs"), "4322\n");
  EXPECT_FALSE(fs::exists(places.hierarchy + "/tarvelo"));
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
std::optional<CgroupPlaces> WritablePlaces(const std::string& stateDirectory) {
  for (CgroupPlaces places : {CgroupPlaces{CgroupVersion::V2, "/sys/fs/cgroup", "/proc", stateDirectory, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu", "/proc", stateDirectory, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu,cpuacct", "/proc", stateDirectory, 0}}) {
    if (CgroupCpuLimiter::Usable(places)) return places;
  }
  return std::nullopt;
}

// The same, with the machine's "tarvelo" group that these tests use cleared.
std::optional<CgroupPlaces> RealPlaces(const std::string& stateDirectory) {
  const auto places = WritablePlaces(stateDirectory);
  if (!places) return std::nullopt;
  // What a program killed by another test left, lifted as its next start would.
  CgroupPlaces program = *places;
  program.stateDirectory = platform::linux_impl::CpuLimitRecordDirectory();
  CgroupCpuLimiter(program).LiftLeftovers();
  return places;
}

// Limits pid in a run that is then killed with the limit in force; whether
// that run could set the limit.
bool LimitInARunThatCrashes(const CgroupPlaces& places, pid_t pid, int percent) {
  int ready[2];
  if (::pipe(ready) != 0) return false;
  const pid_t run = ::fork();
  if (run == 0) {
    ::close(ready[0]);
    auto* crashing = new CgroupCpuLimiter(places);  // never destroyed: the run dies with the limit set
    const char answer = crashing->Apply(pid, percent) == CpuLimitError::None ? 'y' : 'n';
    if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char answer = 0;
  const bool read = ::read(ready[0], &answer, 1) == 1;
  ::close(ready[0]);
  ::kill(run, SIGKILL);
  ::waitpid(run, nullptr, 0);
  return read && answer == 'y';
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
  EXPECT_TRUE(tarvelo::testing::RunsAsFastAs(limited.Pid(), reference.Pid(), 0.5, std::chrono::seconds(90)))
      << "full speed again, as fast as an uncapped process next to it";
}

TEST(CgroupCpuLimiterReal, TheNextStartLiftsWhatACrashedRunLeft) {
  TempDir state;
  const auto places = RealPlaces(state.File("records"));
  if (!places) GTEST_SKIP() << "no writable cpu controller hierarchy (needs root and the cpu controller)";
  tarvelo::testing::BusyChild limited;
  tarvelo::testing::BusyChild reference;
  const std::string before = CgroupLine(limited.Pid());

  ASSERT_TRUE(LimitInARunThatCrashes(*places, limited.Pid(), 10));
  EXPECT_LE(tarvelo::testing::MeasureShares({limited.Pid()}, std::chrono::seconds(3))[0], 0.12)
      << "the crash left the limit in force";

  CgroupCpuLimiter nextStart(*places);
  EXPECT_EQ(nextStart.LiftLeftovers(), 1);
  EXPECT_EQ(CgroupLine(limited.Pid()), before);
  EXPECT_FALSE(fs::exists(nextStart.ParentGroup()));
  EXPECT_TRUE(tarvelo::testing::RunsAsFastAs(limited.Pid(), reference.Pid(), 0.5, std::chrono::seconds(90)));
}

// Groups an administrator made, with caps: removed at the end, once their
// processes have gone.
class AdminGroups {
 public:
  AdminGroups(const CgroupPlaces& places, std::string top) : places_(places), top_(std::move(top)) {}
  ~AdminGroups() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      ::rmdir((Dir(*it) + "/tarvelo-lifted").c_str());
      ::rmdir(Dir(*it).c_str());
    }
  }
  AdminGroups(const AdminGroups&) = delete;
  AdminGroups& operator=(const AdminGroups&) = delete;

  // The group path under the hierarchy, as /proc/<pid>/cgroup shows it.
  std::string Path(const std::string& name) const { return "/" + top_ + (name.empty() ? "" : "/" + name); }
  std::string Dir(const std::string& name) const { return places_.hierarchy + Path(name); }
  void Make(const std::string& name, bool withChildren = false) {
    ASSERT_EQ(::mkdir(Dir(name).c_str(), 0755), 0) << Dir(name);
    made_.push_back(name);
    // cgroup v2 gives a group's children the cpu controller through it.
    if (withChildren && places_.version == CgroupVersion::V2) {
      WriteFile(Dir(name) + "/cgroup.subtree_control", "+cpu");
    }
  }
  // A cap of share of the whole machine.
  void Cap(const std::string& name, double share) {
    const auto quota = static_cast<long long>(share * ::sysconf(_SC_NPROCESSORS_ONLN) * 100'000);
    if (places_.version == CgroupVersion::V2) {
      WriteFile(Dir(name) + "/cpu.max", std::to_string(quota) + " 100000");
    } else {
      WriteFile(Dir(name) + "/cpu.cfs_period_us", "100000");
      WriteFile(Dir(name) + "/cpu.cfs_quota_us", std::to_string(quota));
    }
    ASSERT_EQ(CapOf(name), std::to_string(quota)) << "the cap of " << Dir(name);
  }
  std::string CapOf(const std::string& name) const {
    const std::string text = ReadFile(Dir(name) + (places_.version == CgroupVersion::V2 ? "/cpu.max" : "/cpu.cfs_quota_us"));
    return text.substr(0, text.find_first_of(" \n"));
  }
  void Remove(const std::string& name) { ASSERT_EQ(::rmdir(Dir(name).c_str()), 0) << Dir(name); }

 private:
  CgroupPlaces places_;
  std::string top_;
  std::vector<std::string> made_;
};

// An administrator capped a group at 10 % and its child, where a process
// runs, lower still. The process is limited; its group goes (an empty parent
// with another child stays). The lift puts it in that parent, under the
// parent's cap, not at the top of the hierarchy; so does the next start after
// a crash.
TEST(CgroupCpuLimiterReal, ALiftNeverTakesAProcessAboveTheGroupItCameFrom) {
  TempDir state;
  auto places = WritablePlaces(state.File("records"));
  if (!places) TARVELO_SKIP_OR_FAIL_IN_CI("no writable cpu controller hierarchy (needs root and the cpu controller)");
  // Groups of their own, apart from the "tarvelo" group of the program and the other tests.
  const std::string name = "tarvelo-test-" + std::to_string(::getpid());
  places->groupName = name + "-limits";
  for (const bool afterCrash : {false, true}) {
    SCOPED_TRACE(afterCrash ? "lifted by the next start after a crash" : "lifted");
    // Whatever a failed check leaves of the limiter's groups goes last.
    const struct LeftoversLifted {
      CgroupPlaces places;
      ~LeftoversLifted() { CgroupCpuLimiter(places).LiftLeftovers(); }
    } leftoversLifted{*places};
    AdminGroups admin(*places, name);
    admin.Make("", true);
    admin.Make("a", true);
    admin.Cap("a", 0.10);
    admin.Make("a/b");
    admin.Cap("a/b", 0.08);
    admin.Make("a/c");
    if (HasFatalFailure()) return;
    tarvelo::testing::BusyChild busy;
    WriteFile(admin.Dir("a/b") + "/cgroup.procs", std::to_string(busy.Pid()));
    ASSERT_EQ(CpuGroupOf("/proc", busy.Pid(), places->version), admin.Path("a/b"));

    CgroupCpuLimiter limiter(*places);
    if (afterCrash) {
      ASSERT_TRUE(LimitInARunThatCrashes(*places, busy.Pid(), 90));
    } else {
      ASSERT_EQ(limiter.Apply(busy.Pid(), 90), CpuLimitError::None);
    }
    ASSERT_NE(CpuGroupOf("/proc", busy.Pid(), places->version), admin.Path("a/b"));
    admin.Remove("a/b");

    if (afterCrash) {
      EXPECT_EQ(limiter.LiftLeftovers(), 1);
    } else {
      EXPECT_TRUE(limiter.Lift(busy.Pid()));
    }
    EXPECT_FALSE(fs::exists(limiter.ParentGroup()));
    EXPECT_EQ(CpuGroupOf("/proc", busy.Pid(), places->version), admin.Path("a"));
    EXPECT_EQ(admin.CapOf("a"), std::to_string(static_cast<long long>(0.10 * ::sysconf(_SC_NPROCESSORS_ONLN) * 100'000)));
    EXPECT_LE(tarvelo::testing::MeasureShares({busy.Pid()}, std::chrono::seconds(3))[0], 0.12)
        << "the administrator's 10 % still holds";
  }
}

}  // namespace
