#include "platform/win32/WinAutostartEntry.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/UniqueHandles.h"

namespace platform::win32_impl {

namespace {

// RegCreateKeyA opens the key, creating it when it is missing.
UniqueRegKey OpenRunKey() {
  UniqueRegKey key;
  if (::RegCreateKeyA(HKEY_LOCAL_MACHINE, WinAutostartEntry::kRunKey, key.Receive()) != ERROR_SUCCESS) return {};
  return key;
}

}  // namespace

std::string WinAutostartEntry::RunCommand(std::string_view executablePath) {
  return "\"" + std::string(executablePath) + "\"";
}

bool WinAutostartEntry::Write(const std::string& executablePath) {
  if (executablePath.empty() || executablePath.find('"') != std::string::npos) return false;
  const UniqueRegKey key = OpenRunKey();
  if (!key) return false;
  const std::string data = Utf8ToAnsi(RunCommand(executablePath));
  return ::RegSetValueExA(key.Get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool WinAutostartEntry::Remove() {
  const UniqueRegKey key = OpenRunKey();
  if (!key) return false;
  const LONG result = ::RegDeleteValueA(key.Get(), kValueName);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace platform::win32_impl
