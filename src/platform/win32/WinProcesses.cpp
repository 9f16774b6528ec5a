#include "platform/win32/WinProcesses.h"

#include <set>

#include "platform/win32/AnsiText.h"
#include "platform/win32/UniqueHandles.h"
// After windows.h, and without UNICODE: the ANSI records and calls
// (PROCESSENTRY32, Process32First, ...) whatever the build says.
#undef UNICODE
#include <tlhelp32.h>
#include <psapi.h>

namespace platform::win32_impl {

namespace {

constexpr DWORD kQueryInformation = PROCESS_QUERY_INFORMATION;                       // 0x400
constexpr DWORD kSetInformation = PROCESS_QUERY_INFORMATION | PROCESS_SET_INFORMATION;  // 0x600
static_assert(kQueryInformation == 0x400 && kSetInformation == 0x600 && PROCESS_SET_QUOTA == 0x100);

#if defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32) == 304, "the record of 64-bit Windows");
#else
static_assert(sizeof(PROCESSENTRY32) == 296, "the record of 32-bit Windows");
#endif

UniqueHandle Snapshot(DWORD flags, DWORD pid) {
  // A module snapshot fails with ERROR_BAD_LENGTH while the process is loading
  // or unloading modules; it is worth asking again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(flags, pid));
    if (snapshot || ::GetLastError() != ERROR_BAD_LENGTH) return snapshot;
  }
  return {};
}

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return AnsiToUtf8(UpToNul(field, N));
}

}  // namespace

std::vector<ProcessEntry> WinProcessTable::Snapshot() {
  std::vector<ProcessEntry> processes;
  const UniqueHandle snapshot = win32_impl::Snapshot(TH32CS_SNAPPROCESS, 0);
  if (!snapshot) return processes;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
    processes.push_back({entry.th32ProcessID, FieldText(entry.szExeFile)});
  }
  return processes;
}

std::vector<std::string> WinProcessTable::Modules(ProcessId pid) {
  std::vector<std::string> modules;
  if (pid == 0) return modules;  // 0 would mean this process
  const UniqueHandle snapshot = win32_impl::Snapshot(TH32CS_SNAPMODULE, pid);
  if (!snapshot) return modules;
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  std::set<std::string> seen;
  for (BOOL more = ::Module32First(snapshot.Get(), &entry); more; more = ::Module32Next(snapshot.Get(), &entry)) {
    std::string path = FieldText(entry.szExePath);
    if (seen.insert(path).second) modules.push_back(std::move(path));
  }
  return modules;
}

bool WinWorkingSetTrimmer::TrimWorkingSet(ProcessId pid) {
  const UniqueHandle process(::OpenProcess(PROCESS_SET_QUOTA, FALSE, pid));
  if (!process) return false;
  return ::SetProcessWorkingSetSize(process.Get(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1)) != FALSE;
}

std::optional<std::uint64_t> WinWorkingSetTrimmer::ResidentBytes(ProcessId pid) {
  // Older systems want PROCESS_VM_READ besides the query right.
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return std::nullopt;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(process.Get(), &counters, sizeof counters)) return std::nullopt;
  return static_cast<std::uint64_t>(counters.WorkingSetSize);
}

std::error_code ProcessError(unsigned long windowsError) {
  switch (windowsError) {
    case ERROR_INVALID_PARAMETER: return std::make_error_code(std::errc::no_such_process);
    case ERROR_ACCESS_DENIED: return std::make_error_code(std::errc::permission_denied);
    case ERROR_PRIVILEGE_NOT_HELD: return std::make_error_code(std::errc::operation_not_permitted);
    default: return {static_cast<int>(windowsError), std::system_category()};
  }
}

ProcessId WinProcessPriorities::CurrentProcessId() const { return ::GetCurrentProcessId(); }

std::error_code WinProcessPriorities::SetClass(ProcessId pid, PriorityClass priorityClass) {
  switch (priorityClass) {
    case PriorityClass::Idle:
    case PriorityClass::BelowNormal:
    case PriorityClass::Normal:
    case PriorityClass::AboveNormal:
    case PriorityClass::High: break;
    default: return std::make_error_code(std::errc::invalid_argument);
  }
  // OpenProcess(0) would not name a process; the system answers with
  // ERROR_INVALID_PARAMETER, as for one that has ended.
  const UniqueHandle process(::OpenProcess(kSetInformation, FALSE, pid));
  if (!process) return ProcessError(::GetLastError());
  if (!::SetPriorityClass(process.Get(), static_cast<DWORD>(priorityClass))) return ProcessError(::GetLastError());
  return {};
}

std::optional<PriorityClass> WinProcessPriorities::ClassOf(ProcessId pid) const {
  const UniqueHandle process(::OpenProcess(kQueryInformation, FALSE, pid));
  if (!process) return std::nullopt;
  const DWORD value = ::GetPriorityClass(process.Get());
  if (value == 0) return std::nullopt;
  return static_cast<PriorityClass>(value);
}

bool WinProcessPriorities::MayRaiseTo(PriorityClass) const { return true; }

}  // namespace platform::win32_impl
