#include <cstdlib>
#include <string>

#include "platform/win32/WinLocations.h"

#include <shlobj.h>

#include "platform/Locations.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/Win32Api.h"

namespace platform {

namespace win32_impl {

// A folder of the shell (CSIDL_…), "" where the system has none.
std::string ShellFolder(int folder) {
  char path[MAX_PATH] = {};
  if (::SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  return AnsiToUtf8(path);
}

namespace {

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(Utf8ToAnsi(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether path is folder or lies below it, without regard to case.
bool Within(std::string path, std::string folder) {
  if (folder.empty()) return false;
  for (std::string* text : {&path, &folder}) {
    for (char& c : *text) c = c == '/' ? '\\' : c;
    ::CharLowerBuffA(text->data(), static_cast<DWORD>(text->size()));
    while (!text->empty() && text->back() == '\\') text->pop_back();
  }
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '\\');
}

// Whether a new file can be made in directory: one is made, and goes again
// when its handle closes.
bool Writable(const std::string& directory) {
  const std::string probe = directory + "\\Tarvelo-write-test-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
  const HANDLE file = ::CreateFileA(Utf8ToAnsi(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(file);
  return true;
}

}  // namespace

bool IsInstalledCopy(const std::string& programDirectory) {
  if (Within(programDirectory, ShellFolder(CSIDL_PROGRAM_FILES)) ||
      Within(programDirectory, ShellFolder(CSIDL_PROGRAM_FILESX86))) {
    return true;
  }
  if (FileExists(programDirectory + "\\" + kUninstallerName)) return true;
  return !Writable(programDirectory);
}

std::string SettingsDirectory(const std::string& programDirectory, const std::string& appDataDirectory) {
  if (FileExists(programDirectory + "\\Config.ini") || !IsInstalledCopy(programDirectory) ||
      appDataDirectory.empty()) {
    return programDirectory;
  }
  const std::string directory = appDataDirectory + "\\Tarvelo";
  ::CreateDirectoryA(Utf8ToAnsi(directory).c_str(), nullptr);
  return directory;
}

}  // namespace win32_impl

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
  return win32_impl::SettingsDirectory(ProgramDirectory(), win32_impl::ShellFolder(CSIDL_APPDATA)) + kFileName;
}

// A Windows copy keeps its data next to the executable.
std::string DataFilePath(std::string_view name) { return ProgramDirectory() + "\\" + std::string(name); }

}  // namespace platform
