#include "platform/linux/desktop/LinuxAutostartEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/PlainText.h"
#include "platform/linux/files/FileIo.h"

namespace platform::linux_impl {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool IsWritableDirectory(const std::string& dir) {
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir.c_str(), W_OK) == 0;
}

// Removes the file; a file that is not there counts as removed.
bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

// Whole, valid UTF-8 without control characters: what a desktop entry line holds.
bool IsPrintableUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto [code, length] = tarvelo::PlainText::DecodeUtf8(text, i);
    if (length == 0 || code < 0x20 || code == 0x7F) return false;
    i += length;
  }
  return true;
}

// A value of type string: the backslash is the one character to escape here.
std::string EscapeString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// One argument of an Exec line, always quoted so that spaces and the other
// reserved characters stay part of it; '%' would start a field code.
std::string QuoteExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

LinuxAutostartEntry::LinuxAutostartEntry(std::string machineDirectory, std::string userDirectory)
    : machineDirectory_(std::move(machineDirectory)), userDirectory_(std::move(userDirectory)) {}

std::string LinuxAutostartEntry::SessionMachineDirectory() {
  const std::string dirs = Environment("XDG_CONFIG_DIRS");
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') return dir + "/autostart";  // relative entries are invalid
    start = end + 1;
  }
  return "/etc/xdg/autostart";
}

std::string LinuxAutostartEntry::SessionUserDirectory() {
  std::string configHome = Environment("XDG_CONFIG_HOME");
  if (configHome.empty() || configHome.front() != '/') configHome = Environment("HOME") + "/.config";
  return configHome + "/autostart";
}

std::optional<std::string> LinuxAutostartEntry::DesktopEntry(std::string_view executablePath) {
  if (executablePath.empty() || executablePath.front() != '/' || !IsPrintableUtf8(executablePath)) {
    return std::nullopt;
  }
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Tarvelo\n"
      "Comment=Make the PC run faster\n";
  // The session skips the entry once the program is gone from this place.
  entry += "TryExec=" + EscapeString(executablePath) + "\n";
  // Readers check that the first word of Exec names a program before they
  // expand its "%%" to "%" (GIO does), so a path holding '%' is not that
  // first word: env starts it.
  const bool percent = executablePath.find('%') != std::string_view::npos;
  if (percent && executablePath.find('=') != std::string_view::npos) return std::nullopt;  // env's NAME=VALUE
  entry += "Exec=" + EscapeString((percent ? "env " : "") + QuoteExecArgument(executablePath)) + "\n";
  entry +=
      "Terminal=false\n"
      "X-GNOME-Autostart-enabled=true\n";
  return entry;
}

bool LinuxAutostartEntry::Write(const std::string& executablePath) {
  const std::optional<std::string> entry = DesktopEntry(executablePath);
  if (!entry) return false;
  const std::string name(kFileName);
  // Every user who logs in runs a machine-wide entry: only for a program that
  // no ordinary user can replace.
  if (IsWritableDirectory(machineDirectory_) && IsChangeableOnlyByRoot(executablePath) &&
      ReplaceFileAtomically(machineDirectory_ + "/" + name, *entry)) {
    RemoveFile(userDirectory_ + "/" + name);
    return true;
  }
  return ReplaceFileAtomically(userDirectory_ + "/" + name, *entry);
}

bool LinuxAutostartEntry::Remove() {
  const std::string name(kFileName);
  const bool machine = RemoveFile(machineDirectory_ + "/" + name);
  const bool user = RemoveFile(userDirectory_ + "/" + name);
  return machine && user;
}

}  // namespace platform::linux_impl
