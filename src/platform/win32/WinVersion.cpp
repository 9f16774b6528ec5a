#include "platform/win32/WinVersion.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

bool IsWindowsNtFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  static_assert(sizeof(OSVERSIONINFOA) == 148);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  ::GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace platform::win32_impl
