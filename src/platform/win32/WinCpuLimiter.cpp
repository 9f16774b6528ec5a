#include "platform/win32/WinCpuLimiter.h"

#include <tlhelp32.h>

#include <algorithm>
#include <type_traits>

namespace platform::win32_impl {

namespace {

// JOBOBJECT_CPU_RATE_CONTROL_INFORMATION, declared here because older SDK
// headers lack it.
struct CpuRateControl {
  DWORD ControlFlags;
  DWORD CpuRate;  // hundredths of a percent of all processors
};
constexpr int kCpuRateControlClass = 15;  // JobObjectCpuRateControlInformation
constexpr DWORD kRateEnable = 0x1;
constexpr DWORD kRateHardCap = 0x4;

// The job calls, looked up at run time: the 9x family has none of them.
struct JobApi {
  using CreateJob = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCSTR);
  using OpenJob = HANDLE(WINAPI*)(DWORD, BOOL, LPCSTR);
  using SetInfo = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
  using QueryInfo = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD, LPDWORD);
  using Assign = BOOL(WINAPI*)(HANDLE, HANDLE);
  using InJob = BOOL(WINAPI*)(HANDLE, HANDLE, PBOOL);

  CreateJob createJob = nullptr;
  OpenJob openJob = nullptr;
  SetInfo setInfo = nullptr;
  QueryInfo queryInfo = nullptr;
  Assign assign = nullptr;
  InJob inJob = nullptr;

  bool Complete() const { return createJob && openJob && setInfo && queryInfo && assign && inJob; }

  static const JobApi& Get() {
    static const JobApi api = [] {
      JobApi a;
      const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll");
      if (kernel32 == nullptr) return a;
      auto load = [kernel32](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(
            reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, name)));
      };
      load(a.createJob, "CreateJobObjectA");
      load(a.openJob, "OpenJobObjectA");
      load(a.setInfo, "SetInformationJobObject");
      load(a.queryInfo, "QueryInformationJobObject");
      load(a.assign, "AssignProcessToJobObject");
      load(a.inJob, "IsProcessInJob");
      return a;
    }();
    return api;
  }
};

bool SetRate(HANDLE job, DWORD flags, DWORD rate) {
  CpuRateControl control{flags, rate};
  return JobApi::Get().setInfo(job, kCpuRateControlClass, &control, sizeof control) != FALSE;
}

CpuLimitError FromLastError(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return CpuLimitError::NotPermitted;
    case ERROR_INVALID_PARAMETER:
      return CpuLimitError::ProcessGone;
    default:
      return CpuLimitError::Failed;
  }
}

bool Running(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

}  // namespace

WinCpuLimiter::WinCpuLimiter() = default;

WinCpuLimiter::~WinCpuLimiter() { LiftAll(); }

bool WinCpuLimiter::Available() const { return JobApi::Get().Complete(); }

std::string WinCpuLimiter::JobName(ProcessId pid) { return "Local\\Tarvelo.CpuLimit." + std::to_string(pid); }

unsigned WinCpuLimiter::CapOf(HANDLE job) {
  CpuRateControl control{};
  DWORD size = 0;
  if (!JobApi::Get().Complete() ||
      !JobApi::Get().queryInfo(job, kCpuRateControlClass, &control, sizeof control, &size) ||
      (control.ControlFlags & kRateEnable) == 0) {
    return 0;
  }
  return control.CpuRate;
}

CpuLimitError WinCpuLimiter::Apply(ProcessId pid, int percent) {
  const JobApi& api = JobApi::Get();
  if (!api.Complete()) return CpuLimitError::NeedsNewerSystem;
  const DWORD rate = static_cast<DWORD>(std::clamp(percent, 1, 100)) * 100;

  if (const auto it = limits_.find(pid); it != limits_.end()) {
    if (!Running(it->second.process.Get())) {
      Lift(pid);
      return CpuLimitError::ProcessGone;
    }
    if (!SetRate(it->second.job.Get(), kRateEnable | kRateHardCap, rate)) return FromLastError(::GetLastError());
    return CapOf(it->second.job.Get()) == rate ? CpuLimitError::None : CpuLimitError::Failed;
  }

  Limit limit;
  // Setting a quota and assigning to a job need PROCESS_SET_QUOTA and PROCESS_TERMINATE.
  limit.process.Reset(::OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!limit.process) return FromLastError(::GetLastError());
  // An existing job of this name holds the process from an earlier limit.
  limit.job.Reset(api.createJob(nullptr, JobName(pid).c_str()));
  if (!limit.job) return CpuLimitError::Failed;
  if (!SetRate(limit.job.Get(), kRateEnable | kRateHardCap, rate)) {
    switch (::GetLastError()) {
      case ERROR_INVALID_PARAMETER:  // before Windows 8 the class is unknown
        return CpuLimitError::NeedsNewerSystem;
      case ERROR_CALL_NOT_IMPLEMENTED:  // a system that only mimics the call (Wine)
      case ERROR_NOT_SUPPORTED:
      case ERROR_INVALID_FUNCTION:
        return CpuLimitError::Unsupported;
      default:
        return CpuLimitError::Failed;
    }
  }
  BOOL inJob = FALSE;
  if (!api.inJob(limit.process.Get(), limit.job.Get(), &inJob) || !inJob) {
    if (!api.assign(limit.job.Get(), limit.process.Get())) {
      const DWORD error = ::GetLastError();
      SetRate(limit.job.Get(), 0, 0);
      return FromLastError(error);
    }
  }
  // What the system reports: the process is in the job and the job holds the cap.
  if (!api.inJob(limit.process.Get(), limit.job.Get(), &inJob) || !inJob || CapOf(limit.job.Get()) != rate) {
    SetRate(limit.job.Get(), 0, 0);
    return CpuLimitError::Failed;
  }
  limits_[pid] = std::move(limit);
  return CpuLimitError::None;
}

bool WinCpuLimiter::Lift(ProcessId pid) {
  const auto it = limits_.find(pid);
  if (it == limits_.end()) return false;
  const bool off = SetRate(it->second.job.Get(), 0, 0);
  limits_.erase(it);
  return off;
}

bool WinCpuLimiter::Limits(ProcessId pid) {
  const auto it = limits_.find(pid);
  return it != limits_.end() && Running(it->second.process.Get());
}

void WinCpuLimiter::LiftAll() {
  while (!limits_.empty()) Lift(limits_.begin()->first);
}

int WinCpuLimiter::LiftLeftovers() {
  const JobApi& api = JobApi::Get();
  if (!api.Complete()) return 0;
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int lifted = 0;
  for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
    if (limits_.count(entry.th32ProcessID) != 0) continue;
    // A job of this name lives only while a process is in it (or a handle is open).
    const UniqueHandle job(api.openJob(JOB_OBJECT_SET_ATTRIBUTES | JOB_OBJECT_QUERY, FALSE,
                                       JobName(entry.th32ProcessID).c_str()));
    if (!job || CapOf(job.Get()) == 0) continue;
    if (SetRate(job.Get(), 0, 0)) ++lifted;
  }
  return lifted;
}

}  // namespace platform::win32_impl
