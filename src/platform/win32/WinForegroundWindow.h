#pragma once

#include "platform/ForegroundWindow.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

// The foreground window through GetForegroundWindow, its title through
// GetWindowTextA and its owner through GetWindowThreadProcessId.
class WinForegroundWindow final : public ForegroundWindow {
 public:
  WindowHandle Foreground() override;
  std::string Title(WindowHandle window) override;
  ProcessId OwnerProcess(WindowHandle window) override;
};

// Window handles carry 32 significant bits on every Windows (64-bit ones are
// the sign-extended 32-bit value), so they travel as 32-bit numbers.
WindowHandle ToWindowHandle(HWND window);
HWND ToHwnd(WindowHandle window);

}  // namespace platform::win32_impl
