#include "platform/win32/AnsiText.h"

#include <climits>
#include <cstring>

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring result(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), length, result.data(), wide);
  return result;
}

std::string FromWide(UINT codePage, const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string result(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
  return result;
}

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  return FromWide(CP_UTF8, ToWide(CP_ACP, ansi));
}

std::string Utf8ToAnsi(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return FromWide(CP_ACP, ToWide(CP_UTF8, utf8));
}

std::string_view UpToNul(const char* buffer, std::size_t size) {
  const void* nul = std::memchr(buffer, '\0', size);
  return std::string_view(buffer, nul != nullptr ? static_cast<const char*>(nul) - buffer : size);
}

}  // namespace platform::win32_impl
