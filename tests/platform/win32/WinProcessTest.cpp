#include <gtest/gtest.h>

#include <algorithm>

#include "boost/ModuleProcess.h"
#include "cpulimit/ProcessList.h"
#include "platform/win32/WinForegroundWindow.h"
#include "platform/win32/WinProcesses.h"
#include "WinTestSupport.h"

namespace platform::win32_impl {
namespace {

using testing::ChildProcess;
using testing::Lower;
using testing::NoSuchPid;
using testing::RunningUnderWine;

TEST(WinProcessPriorities, ChildsClassChangesAndReadsBack) {
  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  WinProcessPriorities priorities;
  for (const PriorityClass c : {PriorityClass::AboveNormal, PriorityClass::High, PriorityClass::BelowNormal,
                                PriorityClass::Idle, PriorityClass::Normal}) {
    SCOPED_TRACE(static_cast<unsigned>(c));
    ASSERT_FALSE(priorities.SetClass(child.Pid(), c));
    // Read back through the child's own handle, not through the class under test.
    EXPECT_EQ(::GetPriorityClass(child.Handle()), static_cast<DWORD>(c));
    EXPECT_EQ(priorities.ClassOf(child.Pid()), c);
  }
}

TEST(WinProcessPriorities, BoostThroughTheWindowlessPathOfTheBooster) {
  // The booster's operation as the tick calls it for a process id.
  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  WinForegroundWindow windows;
  WinProcessPriorities priorities;
  tarvelo::ModuleProcess module(windows, priorities);
  EXPECT_EQ(module.SetProcessPriority(child.Pid(), 0, 0x80), 0x80u);
  EXPECT_EQ(::GetPriorityClass(child.Handle()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
  EXPECT_EQ(module.SetProcessPriority(child.Pid(), 0, 0x20), 0x20u);
  EXPECT_EQ(::GetPriorityClass(child.Handle()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

TEST(WinProcessPriorities, MissingProcessesAndBadClassesFail) {
  WinProcessPriorities priorities;
  {
    ChildProcess child("wait");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(priorities.SetClass(child.Pid(), static_cast<PriorityClass>(0x1234)),
              std::make_error_code(std::errc::invalid_argument));
    EXPECT_EQ(::GetPriorityClass(child.Handle()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  }
  // A process that has ended lives on as long as anyone holds a handle to it
  // (Wine holds one for a while), so the test asks about an unused id.
  const DWORD gonePid = NoSuchPid();
  ASSERT_NE(gonePid, 0u);
  EXPECT_EQ(priorities.SetClass(gonePid, PriorityClass::High), std::make_error_code(std::errc::no_such_process));
  EXPECT_EQ(priorities.ClassOf(gonePid), std::nullopt);
  EXPECT_EQ(priorities.CurrentProcessId(), ::GetCurrentProcessId());
}

TEST(WinProcessTable, SnapshotListsThisProcessAndItsExecutableFirst) {
  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  WinProcessTable table;
  const auto processes = table.Snapshot();
  const auto find = [&](DWORD pid) {
    return std::find_if(processes.begin(), processes.end(), [pid](const ProcessEntry& e) { return e.pid == pid; });
  };
  const auto self = find(::GetCurrentProcessId());
  ASSERT_NE(self, processes.end());
  EXPECT_EQ(Lower(self->exeName), "platform_win32_tests.exe");
  const auto other = find(child.Pid());
  ASSERT_NE(other, processes.end());
  EXPECT_EQ(Lower(other->exeName), "tarvelo_test_child.exe");

  const auto modules = table.Modules(::GetCurrentProcessId());
  ASSERT_FALSE(modules.empty());
  EXPECT_EQ(Lower(modules.front()), Lower(ExecutablePath()));
  EXPECT_TRUE(std::any_of(modules.begin(), modules.end(),
                          [](const std::string& m) { return Lower(m).ends_with("\\kernel32.dll"); }));
  EXPECT_EQ(std::count(modules.begin(), modules.end(), modules.front()), 1);

  // The process list finds the path of both through their modules.
  EXPECT_EQ(tarvelo::GetProcessPath(table, child.Pid(), other->exeName),
            Lower(ProgramDirectory() + "\\tarvelo_test_child.exe"));
  EXPECT_EQ(tarvelo::GetProcessPath(table, ::GetCurrentProcessId(), self->exeName), Lower(ExecutablePath()));
}

TEST(WinProcessTable, MissingProcessHasNoModules) {
  WinProcessTable table;
  EXPECT_TRUE(table.Modules(NoSuchPid()).empty());
  EXPECT_TRUE(table.Modules(0).empty()) << "0 is no process, not this one";
}

TEST(WinWorkingSetTrimmer, TrimIsAcceptedForALiveProcessAndRefusedForAMissingOne) {
  // Wine accepts the trim without taking any page away, so only the answer is
  // checked here.
  WinWorkingSetTrimmer trimmer;
  ChildProcess child("wait");
  ASSERT_TRUE(child.Started());
  EXPECT_TRUE(trimmer.TrimWorkingSet(child.Pid()));
  EXPECT_TRUE(trimmer.TrimWorkingSet(::GetCurrentProcessId()));
  EXPECT_FALSE(trimmer.TrimWorkingSet(NoSuchPid()));
  // The resident size a release measures: there for a live process, none for a missing one.
  EXPECT_GT(trimmer.ResidentBytes(child.Pid()).value_or(0), 0u);
  EXPECT_GT(trimmer.ResidentBytes(::GetCurrentProcessId()).value_or(0), 0u);
  EXPECT_EQ(trimmer.ResidentBytes(NoSuchPid()), std::nullopt);
  EXPECT_TRUE(trimmer.MayTrimOthers());
}

TEST(WinWorkingSetTrimmer, TrimEmptiesTheWorkingSet) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine's SetProcessWorkingSetSize is a no-op: it moves no pages";
  using MemoryInfo = BOOL(WINAPI*)(HANDLE, void*, DWORD);
  const auto getInfo = reinterpret_cast<MemoryInfo>(
      reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  if (getInfo == nullptr) GTEST_SKIP() << "no K32GetProcessMemoryInfo on this system";
  // PROCESS_MEMORY_COUNTERS: cb, PageFaultCount, then the working set size.
  struct Counters {
    DWORD cb;
    DWORD pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
    SIZE_T rest[6];
  };
  const auto workingSet = [&] {
    Counters c{};
    c.cb = sizeof c;
    return getInfo(::GetCurrentProcess(), &c, sizeof c) ? c.workingSetSize : 0;
  };
  std::vector<char> touched(32 << 20, 1);  // 32 MiB in the working set
  WinWorkingSetTrimmer trimmer;
  const SIZE_T before = workingSet();
  const auto residentBefore = trimmer.ResidentBytes(::GetCurrentProcessId());
  ASSERT_TRUE(trimmer.TrimWorkingSet(::GetCurrentProcessId()));
  const auto residentAfter = trimmer.ResidentBytes(::GetCurrentProcessId());
  EXPECT_LT(workingSet(), before / 2);
  // What a release reports follows the same drop.
  ASSERT_TRUE(residentBefore && residentAfter);
  EXPECT_GE(*residentBefore - *residentAfter, std::uint64_t{16} << 20);
}

}  // namespace
}  // namespace platform::win32_impl
