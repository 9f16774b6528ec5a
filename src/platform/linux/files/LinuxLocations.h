#pragma once

#include <string>
#include <string_view>

namespace platform::linux_impl {

// The installed data directory as seen from the installed program's
// directory, for example "../share/tarvelo".
std::string_view DataDirectoryFromProgram();

// Whether dir lies in a directory tree that the system's packages own (/usr,
// /opt, /bin, ...), where no program should write its settings, even with the
// right to.
bool IsSystemDirectory(std::string_view dir);

// The directory that holds Config.ini for a program in programDir;
// userConfigDir is the user's own ($XDG_CONFIG_HOME/tarvelo).
std::string SettingsDirectory(const std::string& programDir, const std::string& userConfigDir);

// The system-wide Config.ini that holds an administrator's or a distribution's
// defaults for every user: tarvelo/Config.ini in the first directory of
// xdgConfigDirs (the value of $XDG_CONFIG_DIRS, "/etc/xdg" when empty) that
// has one; relative entries are passed over, as the XDG rules say. "" when no
// directory holds one.
std::string SystemSettingsFilePath(std::string_view xdgConfigDirs);
// SystemSettingsFilePath of the variable in the environment.
std::string SystemSettingsFilePath();

// DataFilePath for a program in programDir.
std::string DataFilePathIn(const std::string& programDir, std::string_view name);

}  // namespace platform::linux_impl
