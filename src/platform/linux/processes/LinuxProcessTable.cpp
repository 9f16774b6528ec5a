#include "platform/linux/processes/LinuxProcessTable.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <memory>
#include <unordered_set>

#include "platform/linux/files/FileIo.h"

namespace platform::linux_impl {

namespace {

constexpr std::size_t kMaxMapsBytes = 64 * 1024 * 1024;

std::string ReadLink(const std::string& path) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ParsePid(const char* name, ProcessId& pid) {
  const char* end = name + std::char_traits<char>::length(name);
  const auto [ptr, ec] = std::from_chars(name, end, pid);
  return ec == std::errc() && ptr == end && pid > 0;
}

}  // namespace

std::vector<std::string> MappedFiles(std::string_view maps) {
  std::vector<std::string> files;
  std::unordered_set<std::string_view> seen;
  while (!maps.empty()) {
    const auto eol = maps.find('\n');
    std::string_view line = maps.substr(0, eol);
    maps = eol == std::string_view::npos ? std::string_view() : maps.substr(eol + 1);
    // address perms offset dev inode pathname: the path starts at the first
    // '/' after the five fields.
    int fields = 0;
    std::size_t pos = 0;
    while (fields < 5 && pos < line.size()) {
      while (pos < line.size() && line[pos] == ' ') ++pos;
      while (pos < line.size() && line[pos] != ' ') ++pos;
      ++fields;
    }
    while (pos < line.size() && line[pos] == ' ') ++pos;
    const std::string_view path = line.substr(pos);
    if (fields < 5 || path.empty() || path.front() != '/') continue;
    if (seen.insert(path).second) files.emplace_back(path);
  }
  return files;
}

LinuxProcessTable::LinuxProcessTable(std::string procRoot) : root_(std::move(procRoot)) {}

std::vector<ProcessEntry> LinuxProcessTable::Snapshot() {
  std::vector<ProcessEntry> entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(root_.c_str()), ::closedir);
  if (!dir) return entries;
  while (const dirent* entry = ::readdir(dir.get())) {
    ProcessId pid = 0;
    if (!ParsePid(entry->d_name, pid)) continue;
    const std::string base = root_ + "/" + entry->d_name;
    std::string exe = ReadLink(base + "/exe");
    std::string name = BaseName(exe);
    if (name.empty()) {
      const FileContents comm = ReadWholeFile(base + "/comm", 4096);
      if (comm.status != ReadStatus::Ok) continue;  // ended meanwhile
      name = comm.bytes.substr(0, comm.bytes.find('\n'));
    }
    entries.push_back({pid, std::move(name), std::move(exe)});
  }
  // The directory lists processes in no fixed order: present them by id.
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
  return entries;
}

std::vector<std::string> LinuxProcessTable::Modules(ProcessId pid) {
  const std::string base = root_ + "/" + std::to_string(pid);
  const std::string exe = ReadLink(base + "/exe");
  if (exe.empty()) return {};
  std::vector<std::string> modules{exe};
  const FileContents maps = ReadWholeFile(base + "/maps", kMaxMapsBytes);
  if (maps.status == ReadStatus::Ok) {
    for (std::string& file : MappedFiles(maps.bytes)) {
      if (file != exe) modules.push_back(std::move(file));
    }
  }
  return modules;
}

}  // namespace platform::linux_impl
