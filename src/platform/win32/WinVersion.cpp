#include "platform/win32/WinVersion.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

bool IsWindowsNtFamily() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  static_assert(sizeof(OSVERSIONINFOA) == 148);
  // Deprecated since Windows 8.1, which answers 6.2 for every later version;
  // the platform id, all that is read here, is still right.
#if defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  ::GetVersionExA(&info);
#if defined(_MSC_VER)
#pragma warning(pop)
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace platform::win32_impl
