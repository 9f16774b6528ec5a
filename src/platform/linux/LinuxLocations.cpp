#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/Locations.h"

namespace platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string ProgramDirectory() {
  const std::string exe = ExecutablePath();
  const auto slash = exe.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string SettingsFilePath() {
  static constexpr char kFileName[] = "/Config.ini";
  if (const std::string dir = Environment("TARVELO_CONFIG_DIR"); !dir.empty()) return dir + kFileName;
  if (const std::string dir = ProgramDirectory(); ::access(dir.c_str(), W_OK) == 0) return dir + kFileName;
  std::string configHome = Environment("XDG_CONFIG_HOME");
  if (configHome.empty() || configHome.front() != '/') configHome = Environment("HOME") + "/.config";
  return configHome + "/tarvelo" + kFileName;
}

}  // namespace platform
