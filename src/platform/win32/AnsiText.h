#pragma once

#include <string>
#include <string_view>

namespace platform::win32_impl {

// The "A" functions of the Windows API speak the system's ANSI code page; the
// rest of the program speaks UTF-8. Characters the target cannot hold become
// the system's default character.
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);

// Text up to its first NUL (the whole buffer when it holds none).
std::string_view UpToNul(const char* buffer, std::size_t size);

}  // namespace platform::win32_impl
