#pragma once

#include <string>

namespace platform::win32_impl {

// The uninstaller the installer puts beside the program: its presence marks
// an installed copy.
inline constexpr char kUninstallerName[] = "Uninstall.exe";

// A folder of the shell (CSIDL_…), "" where the system has none.
std::string ShellFolder(int folder);

// Whether the program in programDirectory is an installed copy rather than a
// portable one: the directory is the Program Files folder or one below it,
// holds the installer's uninstaller, or cannot be written.
bool IsInstalledCopy(const std::string& programDirectory);

// The directory of Config.ini for the program in programDirectory, created
// if needed: beside the program in a portable copy, else appDataDirectory's
// "Tarvelo" folder; a Config.ini already beside the program stays in use.
std::string SettingsDirectory(const std::string& programDirectory, const std::string& appDataDirectory);

}  // namespace platform::win32_impl
