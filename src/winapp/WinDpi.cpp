#include "winapp/WinDpi.h"

namespace tarvelo::winapp {

int DpiOfWindow(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0) return static_cast<int>(dpi);
  }
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace tarvelo::winapp
