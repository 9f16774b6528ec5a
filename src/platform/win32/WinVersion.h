#pragma once

namespace platform::win32_impl {

// Whether the system is of the NT family: GetVersionExA's platform id is
// VER_PLATFORM_WIN32_NT (2). The 9x family answers 1.
bool IsWindowsNtFamily();

}  // namespace platform::win32_impl
