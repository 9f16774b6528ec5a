#include "platform/win32/WinProfileFile.h"

#include <algorithm>
#include <vector>

#include "common/ModulePublicFunction.h"
#include "platform/win32/AnsiText.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

WinProfileFile::WinProfileFile(std::string path) : path_(std::move(path)), ansiPath_(Utf8ToAnsi(path_)) {}

std::string WinProfileFile::GetString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue, std::size_t maxChars) const {
  // The system copies at most size - 1 characters and a NUL, so a buffer of
  // maxChars + 1 cuts the value to maxChars ANSI characters.
  std::vector<char> buffer(maxChars + 1, '\0');
  const std::string ansiDefault = Utf8ToAnsi(defaultValue);
  const DWORD n = ::GetPrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                             ansiDefault.c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), ansiPath_.c_str());
  const std::string value = AnsiToUtf8(UpToNul(buffer.data(), std::min<std::size_t>(n, maxChars)));
  return tarvelo::ModulePublicFunction::CutToCharacters(value, maxChars);
}

bool WinProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsWritableEntry(section, key, value)) return false;
  return ::WritePrivateProfileStringA(Utf8ToAnsi(section).c_str(), Utf8ToAnsi(key).c_str(),
                                      Utf8ToAnsi(value).c_str(), ansiPath_.c_str()) != FALSE;
}

}  // namespace platform::win32_impl
