#pragma once

#include <string>
#include <string_view>

namespace platform {

// Full path of the running executable, "" when it cannot be found.
std::string ExecutablePath();

// Directory that holds the running executable, without a trailing separator.
std::string ProgramDirectory();

// Where Config.ini lives. A portable copy or a build tree keeps it in the
// program's directory; an installed copy (in a system directory, in one that
// is not writable, or with its data installed beside it) keeps it in the
// user's configuration directory, unless a Config.ini is already next to the
// program. TARVELO_CONFIG_DIR overrides all of this.
std::string SettingsFilePath();

// Full path of one of the program's data files (Tarvelo.ico): next to the
// executable in a build tree or a portable copy, else in the installed data
// directory. The path next to the executable when neither holds it.
std::string DataFilePath(std::string_view name);

}  // namespace platform
