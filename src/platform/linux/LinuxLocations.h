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

// DataFilePath for a program in programDir.
std::string DataFilePathIn(const std::string& programDir, std::string_view name);

}  // namespace platform::linux_impl
