#pragma once

// Drives Tarvelo.exe from another process through the Win32 API, and looks at
// the X display Wine draws on, for the GUI suites under Wine's X11 driver.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <optional>

#include "platform/Locations.h"
#include "platform/win32/UniqueHandles.h"
#include "platform/win32/WinAutostartEntry.h"

namespace tarvelo::winapp::testing {

using platform::win32_impl::UniqueHandle;

inline constexpr DWORD kDeadlineMs = 30000;
inline constexpr UINT kTrayCallbackMessage = 2025;

// Polls condition until it holds or the deadline passes; true when it held.
inline bool WaitFor(const std::function<bool()>& condition, DWORD deadlineMs = kDeadlineMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return true;
}

struct WindowSearch {
  DWORD pid;
  std::string className;
  std::vector<HWND> found;
};

// EnumWindows' callback (stdcall on 32-bit Windows: no lambda converts to it).
inline BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  char name[256] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (owner == search->pid && search->className == name) search->found.push_back(window);
  return TRUE;
}

// The top-level windows of a process with the given class.
inline std::vector<HWND> WindowsOf(DWORD pid, const std::string& className) {
  WindowSearch search{pid, className, {}};
  ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a window of any process.
inline std::string TextOf(HWND window) {
  char text[512] = {};
  DWORD_PTR length = 0;
  ::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &length);
  return std::string(text, static_cast<std::size_t>(length));
}

// EnumChildWindows' callback.
inline BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
  char name[256] = {};
  ::GetClassNameA(child, name, sizeof name);
  reinterpret_cast<std::vector<std::pair<std::string, std::string>>*>(context)->emplace_back(name, TextOf(child));
  return TRUE;
}

using ChildList = std::vector<std::pair<std::string, std::string>>;

// The child windows of window: class name and text.
inline ChildList ChildrenOf(HWND window) {
  ChildList children;
  ::EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// The Run value "TVL" that "Start with windows" writes, or nothing.
inline std::optional<std::string> RunValue() {
  using platform::win32_impl::WinAutostartEntry;
  platform::win32_impl::UniqueRegKey key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, WinAutostartEntry::kRunKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  if (::RegQueryValueExA(key.Get(), WinAutostartEntry::kValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::string(data);
}

inline std::string TarveloExe() { return platform::ProgramDirectory() + "\\Tarvelo.exe"; }

// A running Tarvelo.exe, started with Config.ini in configDir (TARVELO_CONFIG_DIR;
// "" for the program's own choice). Ended when the object goes: as the
// system's log-off ends it, else by force.
class Tarvelo {
 public:
  // siteRoot: the product site it asks for its advertisement; by default a
  // port of the loopback where nothing answers, so that no test goes out.
  Tarvelo(const std::string& exe, const std::string& configDir, const std::string& siteRoot = "http://127.0.0.1:9") {
    ::SetEnvironmentVariableA("TARVELO_CONFIG_DIR", configDir.empty() ? nullptr : configDir.c_str());
    ::SetEnvironmentVariableA("TARVELO_SITE_URL", siteRoot.c_str());
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
      process_.Reset(info.hProcess);
      ::CloseHandle(info.hThread);
      pid_ = info.dwProcessId;
    }
    ::SetEnvironmentVariableA("TARVELO_CONFIG_DIR", nullptr);
    ::SetEnvironmentVariableA("TARVELO_SITE_URL", nullptr);
  }
  ~Tarvelo() { End(); }
  Tarvelo(const Tarvelo&) = delete;
  Tarvelo& operator=(const Tarvelo&) = delete;

  bool Started() const { return process_.Valid(); }
  DWORD Pid() const { return pid_; }
  bool Running() const { return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

  // The main window, once the program has made it; null before.
  HWND MainWindow() const {
    const auto windows = WindowsOf(pid_, "TarveloMainWindow");
    return windows.empty() ? nullptr : windows.front();
  }
  HWND WaitForMainWindow() const {
    HWND window = nullptr;
    WaitFor([&] { return (window = MainWindow()) != nullptr || !Running(); });
    return window;
  }

  // The exit code once the program has ended by itself; STILL_ACTIVE on timeout.
  DWORD WaitForExit(DWORD deadlineMs = kDeadlineMs) const {
    DWORD code = STILL_ACTIVE;
    if (::WaitForSingleObject(process_.Get(), deadlineMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

  void End() {
    if (!process_) return;
    if (Running()) {
      if (HWND window = MainWindow()) ::PostMessageA(window, WM_ENDSESSION, TRUE, 0);
      if (::WaitForSingleObject(process_.Get(), 10000) != WAIT_OBJECT_0) ::TerminateProcess(process_.Get(), 1);
      ::WaitForSingleObject(process_.Get(), 10000);
    }
    process_.Reset();
  }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
};

// The popup menu a process shows. Wine keeps a menu's items in the process
// that made it, out of another's reach: an item is chosen by its place, from
// the keyboard, as a user would.
struct PopupMenu {
  // The tray menu's items that can be chosen, top to bottom (the separators
  // are passed over by the arrow keys).
  static inline const std::vector<std::string> kTrayItems{
      "State", "Speed up process", "Speed up CPU", "Speed up memory", "Setting", "About", "Home Page", "Exit"};

  HWND window = nullptr;

  static PopupMenu Of(DWORD pid) {
    PopupMenu popup;
    for (HWND window : WindowsOf(pid, "#32768")) {
      if (::IsWindowVisible(window)) popup.window = window;
    }
    return popup;
  }

  // Down from the top to the item, then Enter.
  void Choose(const std::string& caption) const {
    std::size_t place = 0;
    while (place < kTrayItems.size() && kTrayItems[place] != caption) ++place;
    for (std::size_t step = 0; step <= place; ++step) ::PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
  }
};

// The Unix path of a Windows path, through Wine's own export.
inline std::string UnixPath(const std::string& windowsPath) {
  using ToUnix = char*(CDECL*)(LPCWSTR);
  const auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return {};
  const std::wstring wide(windowsPath.begin(), windowsPath.end());
  char* unix = toUnix(wide.c_str());
  if (unix == nullptr) return {};
  std::string path = unix;
  ::HeapFree(::GetProcessHeap(), 0, unix);
  return path;
}

// Runs a shell script on the Unix side, where the X display is, and returns
// what it printed. Wine starts Unix programs but gives no handle to wait on:
// the script's output appears under its final name once it is complete.
// Throws nothing; "" with the reason in error when it did not finish in time.
inline std::string RunOnUnixSide(const std::string& script, std::string& error) {
  static int run = 0;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tarvelo-unix-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++run));
  std::filesystem::create_directories(dir);
  const std::string unixDir = UnixPath(dir.string());
  if (unixDir.empty()) {
    error = "no Unix path for " + dir.string() + " (not under Wine?)";
    return {};
  }
  std::ofstream(dir / "run.sh", std::ios::binary) << "{\n" << script << "\n} > '" << unixDir << "/out.tmp' 2>&1\n"
                                                   << "mv '" << unixDir << "/out.tmp' '" << unixDir << "/out'\n";
  std::string commandLine = "Z:\\bin\\sh \"" + unixDir + "/run.sh\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    error = "cannot start /bin/sh: error " + std::to_string(::GetLastError());
    return {};
  }
  if (info.hProcess != nullptr) ::CloseHandle(info.hProcess);
  if (info.hThread != nullptr) ::CloseHandle(info.hThread);
  std::string output;
  if (!WaitFor([&] { return std::filesystem::exists(dir / "out"); })) {
    error = "the script did not finish in time";
  } else {
    std::ifstream in(dir / "out", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    output = text.str();
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return output;
}

// How many of Wine's icon windows the tray host (trayer) holds on the X
// display; -1 with the reason in error when it could not be asked.
inline int IconsDockedInTrayHost(std::string& error) {
  const std::string out = RunOnUnixSide(
      "n=0\n"
      "hosts=$(xdotool search --class trayer) || { echo 'no tray host'; exit; }\n"
      "for w in $hosts; do n=$((n + $(xwininfo -tree -id \"$w\" | grep -c '(\"explorer.exe\"'))); done\n"
      "echo \"docked $n\"",
      error);
  if (out.rfind("docked ", 0) != 0) {
    if (error.empty()) error = "the X side said: " + out;
    return -1;
  }
  return std::stoi(out.substr(7));
}

}  // namespace tarvelo::winapp::testing
