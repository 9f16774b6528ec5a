#include "platform/linux/files/LinuxLocations.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>

#include "platform/Locations.h"

namespace platform {

namespace linux_impl {

namespace {

constexpr char kSettingsFileName[] = "Config.ini";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string HomeDirectory() {
  if (std::string home = Environment("HOME"); !home.empty() && home.front() == '/') return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
  return "/";
}

std::string UserConfigDirectory() {
  std::string configHome = Environment("XDG_CONFIG_HOME");
  if (configHome.empty() || configHome.front() != '/') configHome = HomeDirectory() + "/.config";
  return configHome + "/tarvelo";
}

}  // namespace

std::string_view DataDirectoryFromProgram() { return TARVELO_DATA_FROM_PROGRAM; }

bool IsSystemDirectory(std::string_view dir) {
  static constexpr std::array<std::string_view, 12> kSystemTrees = {
      "/usr", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32", "/opt", "/etc", "/snap", "/app", "/nix"};
  while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
  if (dir == "/") return true;
  for (std::string_view tree : kSystemTrees) {
    if (dir.substr(0, tree.size()) == tree && (dir.size() == tree.size() || dir[tree.size()] == '/')) return true;
  }
  return false;
}

std::string SettingsDirectory(const std::string& programDir, const std::string& userConfigDir) {
  if (Exists(programDir + "/" + kSettingsFileName)) return programDir;
  const bool installed = IsSystemDirectory(programDir) ||
                         IsDirectory(programDir + "/" + std::string(DataDirectoryFromProgram()));
  if (!installed && ::access(programDir.c_str(), W_OK) == 0) return programDir;
  return userConfigDir;
}

std::string SystemSettingsFilePath(std::string_view xdgConfigDirs) {
  if (xdgConfigDirs.empty()) xdgConfigDirs = "/etc/xdg";
  while (!xdgConfigDirs.empty()) {
    const std::size_t colon = xdgConfigDirs.find(':');
    std::string_view dir = xdgConfigDirs.substr(0, colon);
    xdgConfigDirs = colon == std::string_view::npos ? std::string_view() : xdgConfigDirs.substr(colon + 1);
    if (dir.empty() || dir.front() != '/') continue;
    while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
    const std::string path = std::string(dir) + "/tarvelo/" + kSettingsFileName;
    if (IsFile(path)) return path;
  }
  return "";
}

std::string SystemSettingsFilePath() { return SystemSettingsFilePath(Environment("XDG_CONFIG_DIRS")); }

std::string DataFilePathIn(const std::string& programDir, std::string_view name) {
  const std::string beside = programDir + "/" + std::string(name);
  if (Exists(beside)) return beside;
  const std::string installed = programDir + "/" + std::string(DataDirectoryFromProgram()) + "/" + std::string(name);
  return Exists(installed) ? installed : beside;
}

}  // namespace linux_impl

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
  using namespace linux_impl;
  if (const std::string dir = Environment("TARVELO_CONFIG_DIR"); !dir.empty()) {
    return dir + "/" + kSettingsFileName;
  }
  return SettingsDirectory(ProgramDirectory(), UserConfigDirectory()) + "/" + kSettingsFileName;
}

std::string DataFilePath(std::string_view name) { return linux_impl::DataFilePathIn(ProgramDirectory(), name); }

}  // namespace platform
