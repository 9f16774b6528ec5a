#include <cstdlib>
#include <string>

#include "platform/Locations.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/Win32Api.h"

namespace platform {

std::string ExecutablePath() {
  // The path may be longer than MAX_PATH; the call cuts it to the buffer and
  // says so by filling the buffer completely.
  std::string buffer(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 6; ++attempt) {
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return win32_impl::AnsiToUtf8(std::string_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string ProgramDirectory() {
  const std::string exe = ExecutablePath();
  const auto separator = exe.find_last_of("\\/");
  if (separator == std::string::npos) return ".";
  return exe.substr(0, separator);
}

std::string SettingsFilePath() {
  static constexpr char kFileName[] = "\\Config.ini";
  if (const char* dir = std::getenv("TARVELO_CONFIG_DIR"); dir != nullptr && *dir != '\0') {
    return win32_impl::AnsiToUtf8(dir) + kFileName;
  }
  return ProgramDirectory() + kFileName;
}

// A Windows copy keeps its data next to the executable.
std::string DataFilePath(std::string_view name) { return ProgramDirectory() + "\\" + std::string(name); }

}  // namespace platform
