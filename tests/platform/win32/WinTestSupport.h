#pragma once

#include <string>

#include "platform/Locations.h"
#include "platform/win32/UniqueHandles.h"

namespace platform::win32_impl::testing {

// Wine announces itself through an export of its ntdll.
inline bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A name no other test run uses at the same time.
inline std::string UniqueName(const std::string& what) {
  return "Tarvelo.Test." + what + "." + std::to_string(::GetCurrentProcessId());
}

// The event a test child sets once its main() runs, that is once the system
// has loaded it with every module it imports.
inline std::string ChildReadyEventName(DWORD childPid) {
  return "Tarvelo.Test.ChildReady." + std::to_string(childPid);
}

// tarvelo_test_child.exe, built next to the test, running with the given
// arguments and started as far as its main(); ended and waited for when the
// object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::string& arguments) {
    const std::string exe = ProgramDirectory() + "\\tarvelo_test_child.exe";
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                          nullptr, &startup, &info)) {
      return;
    }
    process_.Reset(info.hProcess);
    const UniqueHandle thread(info.hThread);
    pid_ = info.dwProcessId;
    const UniqueHandle ready(::CreateEventA(nullptr, TRUE, FALSE, ChildReadyEventName(pid_).c_str()));
    ::ResumeThread(thread.Get());
    const HANDLE either[] = {ready.Get(), process_.Get()};
    ::WaitForMultipleObjects(2, either, FALSE, 30000);
  }
  ~ChildProcess() { End(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return process_.Valid(); }
  DWORD Pid() const { return pid_; }
  HANDLE Handle() const { return process_.Get(); }

  // The exit code once the child has ended by itself; STILL_ACTIVE on timeout.
  DWORD WaitForExit(DWORD milliseconds = 30000) {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0) ::GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

  void End() {
    if (!process_) return;
    ::TerminateProcess(process_.Get(), 0);
    ::WaitForSingleObject(process_.Get(), 10000);
    process_.Reset();
  }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
};

// A process id that no running process has.
inline DWORD NoSuchPid() {
  for (DWORD pid = 0x7FFFFFFC; pid > 0x1000; pid -= 4) {
    UniqueHandle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process && ::GetLastError() == ERROR_INVALID_PARAMETER) return pid;
  }
  return 0;
}

inline std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace platform::win32_impl::testing
