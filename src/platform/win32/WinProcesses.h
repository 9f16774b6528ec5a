#pragma once

#include <system_error>

#include "platform/ProcessPriority.h"
#include "platform/ProcessTable.h"

namespace platform::win32_impl {

// Processes and their modules from Tool Help snapshots. Names and paths come
// as the system reports them, in UTF-8.
class WinProcessTable final : public ProcessTable {
 public:
  std::vector<ProcessEntry> Snapshot() override;
  // The first module of a process is its executable. A process of the other
  // architecture, a protected one or one of another account without the
  // debug privilege gives none.
  std::vector<std::string> Modules(ProcessId pid) override;
};

// SetProcessWorkingSetSize(-1, -1) on a process opened with PROCESS_SET_QUOTA.
// The resident size is the working set GetProcessMemoryInfo reports.
class WinWorkingSetTrimmer final : public WorkingSetTrimmer {
 public:
  bool TrimWorkingSet(ProcessId pid) override;
  std::optional<std::uint64_t> ResidentBytes(ProcessId pid) override;
  // Any account may trim its own processes.
  bool MayTrimOthers() override { return true; }
};

// Priority classes through SetPriorityClass and GetPriorityClass. A process
// is opened with PROCESS_QUERY_INFORMATION | PROCESS_SET_INFORMATION to set
// its class and with PROCESS_QUERY_INFORMATION alone to read it.
class WinProcessPriorities final : public ProcessPriorities {
 public:
  ProcessId CurrentProcessId() const override;
  std::error_code SetClass(ProcessId pid, PriorityClass priorityClass) override;
  std::optional<PriorityClass> ClassOf(ProcessId pid) const override;
  // Any account may raise its own processes up to High.
  bool MayRaiseTo(PriorityClass priorityClass) const override;
};

// The portable error of a Windows error code from a process call.
std::error_code ProcessError(unsigned long windowsError);

}  // namespace platform::win32_impl
