#pragma once

#include <string>
#include <string_view>

#include "platform/AutostartEntry.h"

namespace platform::win32_impl {

// The value "TVL" (REG_SZ) under HKEY_LOCAL_MACHINE's
// "Software\Microsoft\Windows\CurrentVersion\Run": Windows starts the program
// it names for every user who logs on. Writing there needs an administrator;
// without one both operations fail and change nothing.
class WinAutostartEntry final : public AutostartEntry {
 public:
  static constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  static constexpr char kValueName[] = "TVL";

  bool Write(const std::string& executablePath) override;
  bool Remove() override;

  // The command the value holds: the path in quotation marks. Unquoted, a path
  // with spaces ("C:\Program Files\Tarvelo\Tarvelo.exe") lets Windows run
  // "C:\Program.exe" instead when such a file exists.
  static std::string RunCommand(std::string_view executablePath);
};

}  // namespace platform::win32_impl
