#include "platform/win32/WinCpuLimiter.h"

#include <gtest/gtest.h>

#include "WinTestSupport.h"

namespace platform::win32_impl {
namespace {

using testing::ChildProcess;
using testing::RunningUnderWine;

// The job of a limited process, opened by its name as a later run would.
UniqueHandle JobOf(ProcessId pid) {
  return UniqueHandle(::OpenJobObjectA(JOB_OBJECT_QUERY | JOB_OBJECT_SET_ATTRIBUTES, FALSE,
                                       WinCpuLimiter::JobName(pid).c_str()));
}

// Whether this system takes hard CPU caps on jobs at all (Windows 8 and
// later). Wine creates jobs and puts processes in them, but rejects the CPU
// rate class as Windows 7 does: there the limit must be refused with the
// "needs Windows 8" reason, never reported as set.
bool CapsSupported(const ChildProcess& child) {
  WinCpuLimiter probe;
  const CpuLimitError error = probe.Apply(child.Pid(), 50);
  probe.LiftAll();
  if (RunningUnderWine()) {
    EXPECT_EQ(error, CpuLimitError::NeedsNewerSystem);
  }
  return error == CpuLimitError::None;
}

TEST(WinCpuLimiter, AJobWithAHardCapThatIsChangedAndSwitchedOff) {
  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  WinCpuLimiter limiter;
  ASSERT_TRUE(limiter.Available());
  if (!CapsSupported(child)) {
    ASSERT_TRUE(RunningUnderWine()) << "Windows 8 and later take CPU rate caps";
    GTEST_SKIP() << "Wine keeps no CPU rate control on jobs";
  }
  ASSERT_EQ(limiter.Apply(child.Pid(), 20), CpuLimitError::None);
  const UniqueHandle job = JobOf(child.Pid());
  ASSERT_TRUE(job);
  EXPECT_EQ(WinCpuLimiter::CapOf(job.Get()), 2000u);
  BOOL inJob = FALSE;
  EXPECT_TRUE(::IsProcessInJob(child.Handle(), job.Get(), &inJob) && inJob);
  ASSERT_EQ(limiter.Apply(child.Pid(), 55), CpuLimitError::None);
  EXPECT_EQ(WinCpuLimiter::CapOf(job.Get()), 5500u);
  EXPECT_TRUE(limiter.Lift(child.Pid()));
  EXPECT_EQ(WinCpuLimiter::CapOf(job.Get()), 0u) << "the rate control is off";
  EXPECT_FALSE(limiter.Limits(child.Pid()));
}

TEST(WinCpuLimiter, AnEndedProcessIsNotLimitedAndLeftoversAreLifted) {
  WinCpuLimiter limiter;
  EXPECT_EQ(limiter.Apply(testing::NoSuchPid(), 20), CpuLimitError::ProcessGone);

  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  if (!CapsSupported(child)) GTEST_SKIP() << "no CPU rate control on jobs here (Wine)";
  ASSERT_EQ(limiter.Apply(child.Pid(), 20), CpuLimitError::None);
  EXPECT_TRUE(limiter.Limits(child.Pid()));
  child.End();
  EXPECT_FALSE(limiter.Limits(child.Pid())) << "its handle keeps the pid: no other process can have it";
  EXPECT_EQ(limiter.Apply(child.Pid(), 30), CpuLimitError::ProcessGone);

  // A crashed run: the process stays in its named job with the cap on.
  ChildProcess other("wait");
  ASSERT_TRUE(other.Started());
  {
    auto crashed = std::make_unique<WinCpuLimiter>();
    ASSERT_EQ(crashed->Apply(other.Pid(), 10), CpuLimitError::None);
    (void)crashed.release();  // never destroyed, as in a crash
  }
  EXPECT_EQ(WinCpuLimiter::CapOf(JobOf(other.Pid()).Get()), 1000u);
  WinCpuLimiter nextStart;
  EXPECT_EQ(nextStart.LiftLeftovers(), 1);
  EXPECT_EQ(WinCpuLimiter::CapOf(JobOf(other.Pid()).Get()), 0u);
}

}  // namespace
}  // namespace platform::win32_impl
