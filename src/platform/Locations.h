#pragma once

#include <string>

namespace platform {

// Full path of the running executable, "" when it cannot be found.
std::string ExecutablePath();

// Directory that holds the running executable, without a trailing separator.
std::string ProgramDirectory();

// Where Config.ini lives: the program's directory when it is writable, else
// the user's configuration directory. TARVELO_CONFIG_DIR overrides both.
std::string SettingsFilePath();

}  // namespace platform
