#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/AutostartEntry.h"

namespace platform::linux_impl {

// An XDG autostart desktop entry, "tarvelo.desktop". It goes machine-wide into
// the system's autostart directory when that exists and is writable and the
// program file can be changed by root alone, else into the user's own. A user's entry overrides a machine-wide one of the same
// name, so writing machine-wide also removes the user's stale copy.
class LinuxAutostartEntry final : public AutostartEntry {
 public:
  static constexpr std::string_view kFileName = "tarvelo.desktop";

  LinuxAutostartEntry(std::string machineDirectory, std::string userDirectory);

  bool Write(const std::string& executablePath) override;
  bool Remove() override;

  // The directories of the running session: the first of $XDG_CONFIG_DIRS
  // (/etc/xdg when unset) and $XDG_CONFIG_HOME (~/.config when unset), each
  // with "autostart" appended.
  static std::string SessionMachineDirectory();
  static std::string SessionUserDirectory();

  // The whole desktop entry that starts executablePath; nothing when the path
  // cannot be written into one (not absolute, not UTF-8, control characters,
  // both '%' and '=').
  static std::optional<std::string> DesktopEntry(std::string_view executablePath);

 private:
  std::string machineDirectory_;
  std::string userDirectory_;
};

}  // namespace platform::linux_impl
