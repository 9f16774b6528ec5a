#include "platform/win32/WinForegroundWindow.h"

#include <cstdint>

#include "common/ModulePublicFunction.h"
#include "platform/win32/AnsiText.h"

namespace platform::win32_impl {

WindowHandle ToWindowHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

WindowHandle WinForegroundWindow::Foreground() { return ToWindowHandle(::GetForegroundWindow()); }

std::string WinForegroundWindow::Title(WindowHandle window) {
  if (window == 0) return {};
  char buffer[kMaxTitleChars + 1] = {};
  const int n = ::GetWindowTextA(ToHwnd(window), buffer, static_cast<int>(sizeof buffer));
  if (n <= 0) return {};
  const std::string title = AnsiToUtf8(UpToNul(buffer, static_cast<std::size_t>(n)));
  return tarvelo::ModulePublicFunction::CutToCharacters(title, kMaxTitleChars);
}

ProcessId WinForegroundWindow::OwnerProcess(WindowHandle window) {
  if (window == 0) return 0;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(ToHwnd(window), &pid);
  return pid;
}

}  // namespace platform::win32_impl
