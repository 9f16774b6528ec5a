// Priority classes on Linux: the nice of every thread of real processes, their
// autogroup, and the /proc readers on fixture trees.
#include "platform/linux/processes/LinuxProcessPriority.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

constexpr PriorityClass kClasses[] = {PriorityClass::AboveNormal, PriorityClass::High, PriorityClass::Normal,
                                      PriorityClass::BelowNormal, PriorityClass::Idle, PriorityClass::Normal};

TEST(LinuxPriorityClasses, MapToNiceAndBackByRanges) {
  EXPECT_EQ(NiceOf(PriorityClass::Normal), 0);
  EXPECT_EQ(NiceOf(PriorityClass::AboveNormal), -5);
  EXPECT_EQ(NiceOf(PriorityClass::High), -10);
  EXPECT_EQ(NiceOf(static_cast<PriorityClass>(0x100)), std::nullopt);  // no class of ours
  for (PriorityClass c : kClasses) EXPECT_EQ(ClassOfNice(*NiceOf(c)), c);
  const struct {
    int nice;
    PriorityClass expected;
  } ranges[] = {{-20, PriorityClass::High},       {-10, PriorityClass::High},       {-9, PriorityClass::AboveNormal},
                {-1, PriorityClass::AboveNormal}, {0, PriorityClass::Normal},       {1, PriorityClass::BelowNormal},
                {9, PriorityClass::BelowNormal},  {10, PriorityClass::Idle},        {19, PriorityClass::Idle}};
  for (const auto& r : ranges) EXPECT_EQ(ClassOfNice(r.nice), r.expected) << r.nice;
}

TEST(LinuxProcReaders, ThreadsAutogroupAndItsSwitchFromAFixtureTree) {
  TempDir proc;
  ::mkdir(proc.File("123").c_str(), 0755);
  ::mkdir(proc.File("123/task").c_str(), 0755);
  for (const char* entry : {"123", "130", "131", "abc", "0132", "-5"}) {
    ::mkdir(proc.File(std::string("123/task/") + entry).c_str(), 0755);
  }
  ThreadList threads = ThreadsOf(proc.Path(), 123);
  EXPECT_FALSE(threads.error);
  std::sort(threads.tids.begin(), threads.tids.end());
  EXPECT_EQ(threads.tids, (std::vector<int>{123, 130, 131}));
  EXPECT_EQ(ThreadsOf(proc.Path(), 124).error, std::errc::no_such_process);
  EXPECT_EQ(ThreadsOf(proc.Path(), 0).error, std::errc::no_such_process);

  WriteFile(proc.File("123/autogroup"), "/autogroup-4711 nice -5\n");
  const auto group = ReadAutogroup(proc.Path(), 123);
  ASSERT_TRUE(group);
  EXPECT_EQ(group->name, "/autogroup-4711");
  EXPECT_EQ(group->nice, -5);
  EXPECT_FALSE(ReadAutogroup(proc.Path(), 124));

  const struct {
    const char* text;
    bool valid;
    int nice;
  } texts[] = {{"/autogroup-1 nice 0\n", true, 0},   {"/autogroup-13 nice 19", true, 19},
               {"/autogroup-13 nice -20\n", true, -20}, {"", false, 0},
               {"nice 5", false, 0},                 {"/autogroup-1 nice five\n", false, 0},
               {"/autogroup-1 nice 5x\n", false, 0}};
  for (const auto& t : texts) {
    const auto parsed = ParseAutogroup(t.text);
    EXPECT_EQ(parsed.has_value(), t.valid) << t.text;
    if (parsed && t.valid) {
      EXPECT_EQ(parsed->nice, t.nice) << t.text;
    }
  }

  ::mkdir(proc.File("sys").c_str(), 0755);
  ::mkdir(proc.File("sys/kernel").c_str(), 0755);
  EXPECT_FALSE(AutogroupEnabled(proc.Path()));
  WriteFile(proc.File("sys/kernel/sched_autogroup_enabled"), "1\n");
  EXPECT_TRUE(AutogroupEnabled(proc.Path()));
  WriteFile(proc.File("sys/kernel/sched_autogroup_enabled"), "0\n");
  EXPECT_FALSE(AutogroupEnabled(proc.Path()));
}

// A child process that sleeps with some threads, in a session (and so an
// autogroup) of its own, so that changing its autogroup touches nothing else.
// Ended when the test ends.
class SleepingChild {
 public:
  explicit SleepingChild(int extraThreads) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::setsid();
      std::vector<std::thread> threads;
      for (int i = 0; i < extraThreads; ++i) threads.emplace_back([] { for (;;) ::pause(); });
      const char byte = 1;
      if (::write(ready[1], &byte, 1) != 1) ::_exit(1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    if (pid_ > 0 && ::read(ready[0], &byte, 1) != 1) pid_ = -1;
    ::close(ready[0]);
  }
  ~SleepingChild() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  SleepingChild(const SleepingChild&) = delete;
  SleepingChild& operator=(const SleepingChild&) = delete;

  ProcessId Pid() const { return pid_ > 0 ? static_cast<ProcessId>(pid_) : 0; }

 private:
  pid_t pid_ = -1;
};

std::vector<int> NicesOfThreads(ProcessId pid) {
  std::vector<int> nices;
  for (int tid : ThreadsOf("/proc", pid).tids) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    nices.push_back(errno == 0 ? nice : 99);
  }
  return nices;
}

TEST(LinuxProcessPriorities, EveryThreadAndTheAutogroupTakeTheClass) {
  LinuxProcessPriorities priorities;
  if (!priorities.MayRaiseTo(PriorityClass::High)) {
    GTEST_SKIP() << "raising priorities needs CAP_SYS_NICE or an RLIMIT_NICE allowance of 30 (run as root)";
  }
  SleepingChild child(4);
  ASSERT_NE(child.Pid(), 0u);
  ASSERT_EQ(NicesOfThreads(child.Pid()).size(), 5u);
  const bool autogroups = AutogroupEnabled("/proc");
  for (PriorityClass c : kClasses) {
    SCOPED_TRACE(static_cast<int>(c));
    const int nice = *NiceOf(c);
    EXPECT_FALSE(priorities.SetClass(child.Pid(), c));
    EXPECT_EQ(NicesOfThreads(child.Pid()), std::vector<int>(5, nice));
    EXPECT_EQ(priorities.ClassOf(child.Pid()), c);
    if (autogroups) {
      const auto group = ReadAutogroup("/proc", child.Pid());
      ASSERT_TRUE(group);
      EXPECT_EQ(group->nice, nice);
    }
  }
  if (!autogroups) GTEST_SKIP() << "autogroup scheduling is off here: only the threads were checked";
}

TEST(LinuxProcessPriorities, VanishedOrNoProcessIsNoSuchProcessAndNeverThisOne) {
  LinuxProcessPriorities priorities;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  EXPECT_EQ(priorities.SetClass(static_cast<ProcessId>(gone), PriorityClass::Normal), std::errc::no_such_process);
  EXPECT_EQ(priorities.ClassOf(static_cast<ProcessId>(gone)), std::nullopt);

  const int before = ::getpriority(PRIO_PROCESS, 0);
  EXPECT_EQ(priorities.SetClass(0, PriorityClass::Idle), std::errc::no_such_process);
  EXPECT_EQ(priorities.ClassOf(0), std::nullopt);
  EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), before) << "pid 0 must not mean this process";
  EXPECT_EQ(priorities.SetClass(::getpid(), static_cast<PriorityClass>(0x100)), std::errc::invalid_argument);
}

void DropEffective(cap_value_t cap) {
  cap_t caps = cap_get_proc();
  cap_set_flag(caps, CAP_EFFECTIVE, 1, &cap, CAP_CLEAR);
  cap_set_proc(caps);
  cap_free(caps);
}

// Runs body in a child process (its priority, limits and capabilities are
// its own) and expects it to exit with 0; other codes name the failed step.
void InChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failed step";
}

TEST(LinuxProcessPriorities, WithoutTheRightRaisesFail) {
  InChild([] {
    LinuxProcessPriorities priorities;
    DropEffective(CAP_SYS_NICE);
    rlimit limit{};
    ::getrlimit(RLIMIT_NICE, &limit);
    limit.rlim_cur = 0;
    if (::setrlimit(RLIMIT_NICE, &limit) != 0) return 10;
    if (priorities.MayRaiseTo(PriorityClass::AboveNormal)) return 11;
    const std::error_code refused = priorities.SetClass(::getpid(), PriorityClass::AboveNormal);
    if (refused != std::errc::permission_denied && refused != std::errc::operation_not_permitted) return 12;
    if (::getpriority(PRIO_PROCESS, 0) != 0) return 13;
    // Lowering the own priority needs no right.
    if (priorities.SetClass(::getpid(), PriorityClass::Idle)) return 14;
    if (priorities.ClassOf(::getpid()) != PriorityClass::Idle) return 15;
    return 0;
  });
}

TEST(LinuxProcessPriorities, AnRlimitNiceAllowanceIsHonoured) {
  rlimit limit{};
  ::getrlimit(RLIMIT_NICE, &limit);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 25) {
    GTEST_SKIP() << "the hard RLIMIT_NICE here is " << limit.rlim_max
                 << " and cannot be raised without CAP_SYS_RESOURCE";
  }
  InChild([] {
    LinuxProcessPriorities priorities;
    DropEffective(CAP_SYS_NICE);
    // An allowance down to -5 (20 - 25) covers Above Normal but not High.
    rlimit allowance{25, 25};
    if (::setrlimit(RLIMIT_NICE, &allowance) != 0) return 10;
    if (!priorities.MayRaiseTo(PriorityClass::AboveNormal) || priorities.MayRaiseTo(PriorityClass::High)) return 11;
    if (priorities.SetClass(::getpid(), PriorityClass::AboveNormal)) return 12;
    if (::getpriority(PRIO_PROCESS, 0) != -5) return 13;
    if (!priorities.SetClass(::getpid(), PriorityClass::High)) return 14;
    return 0;
  });
}

TEST(LinuxProcessPriorities, RateLimitedAutogroupChangesCompleteAtALaterTick) {
  if (!AutogroupEnabled("/proc")) GTEST_SKIP() << "autogroup scheduling is off here";
  if (!LinuxProcessPriorities().MayRaiseTo(PriorityClass::High)) GTEST_SKIP() << "needs CAP_SYS_NICE (run as root)";
  SleepingChild first(0);
  SleepingChild second(0);
  ASSERT_TRUE(first.Pid() && second.Pid());
  const ProcessId a = first.Pid(), b = second.Pid();
  InChild([a, b] {
    // Without CAP_SYS_ADMIN the kernel takes one autogroup change per 100 ms.
    DropEffective(CAP_SYS_ADMIN);
    LinuxProcessPriorities priorities;
    if (priorities.SetClass(a, PriorityClass::High)) return 10;
    if (priorities.SetClass(b, PriorityClass::High)) return 11;
    for (int tick = 0; tick < 20 && priorities.DeferredChanges() > 0; ++tick) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      priorities.CompleteDeferredChanges();
    }
    return priorities.DeferredChanges() == 0 ? 0 : 12;
  });
  for (ProcessId pid : {a, b}) {
    const auto group = ReadAutogroup("/proc", pid);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->nice, -10) << pid;
  }
}

}  // namespace
}  // namespace platform::linux_impl
