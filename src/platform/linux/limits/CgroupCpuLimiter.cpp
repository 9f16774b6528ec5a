#include "platform/linux/limits/CgroupCpuLimiter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <sstream>
#include <string_view>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

constexpr std::size_t kMaxFileBytes = 1 << 20;

// Reads a small file, never through a symbolic link.
std::optional<std::string> ReadSmallFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!fd.Valid()) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > kMaxFileBytes) return std::nullopt;
  }
  return text;
}

// Writes a control file (or a record) in one write, never through a symbolic
// link; 0 or the errno of the failure. A control file exists already; a
// plain directory (a test's fixture tree) gets the file created.
int WriteSmallFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode));
  if (!fd.Valid()) return errno;
  const ssize_t n = ::write(fd.Get(), text.data(), text.size());
  if (n < 0) return errno;
  return static_cast<std::size_t>(n) == text.size() ? 0 : EIO;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::vector<ProcessId> PidsOf(const std::string& groupDir) {
  std::vector<ProcessId> pids;
  const auto text = ReadSmallFile(groupDir + "/cgroup.procs");
  if (!text) return pids;
  std::istringstream in(*text);
  long long pid = 0;
  while (in >> pid) {
    if (pid > 0) pids.push_back(static_cast<ProcessId>(pid));
  }
  return pids;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Removes a group. The kernel removes a control group with its files; a plain
// directory of a fixture tree needs its files removed first.
bool RemoveGroup(const std::string& dir) {
  if (::rmdir(dir.c_str()) == 0 || errno == ENOENT) return true;
  if (errno != ENOTEMPTY) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
  if (!d) return false;
  while (const dirent* entry = ::readdir(d.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const std::string path = dir + "/" + name;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
  return ::rmdir(dir.c_str()) == 0;
}

// A directory (not a link to one) of this user that nobody else may write.
bool PrivateDirectory(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::vector<std::string> Subdirectories(const std::string& dir) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
  if (!d) return names;
  while (const dirent* entry = ::readdir(d.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || !IsDirectory(dir + "/" + name)) continue;
    names.push_back(name);
  }
  return names;
}

CpuLimitError FromErrno(int error) {
  switch (error) {
    case 0:
      return CpuLimitError::None;
    case ESRCH:
    case ENOENT:
      return CpuLimitError::ProcessGone;
    case EACCES:
    case EPERM:
    case EROFS:
      return CpuLimitError::NotPermitted;
    default:
      return CpuLimitError::Failed;
  }
}

// A group path as /proc/<pid>/cgroup and the records give it: absolute, with
// no empty, "." or ".." part.
bool PlainGroupPath(const std::string& path) {
  if (path.empty() || path.front() != '/') return false;
  if (path == "/") return true;
  std::size_t start = 1;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string_view part(path.data() + start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

// Where processes go back to inside a group that cgroup v2 lets hold none.
constexpr char kLiftedGroup[] = "tarvelo-lifted";

unsigned OnlineProcessors() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<unsigned>(n) : 1;
}

}  // namespace

std::optional<std::uint64_t> ProcessStartTime(const std::string& procRoot, ProcessId pid) {
  const auto text = ReadSmallFile(procRoot + "/" + std::to_string(pid) + "/stat");
  if (!text) return std::nullopt;
  // The name in parentheses may hold anything; the fields follow the last ')'.
  const auto close = text->rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream in(text->substr(close + 1));
  std::string field;
  // Field 3 (state) is the first after the name; the start time is field 22.
  for (int index = 3; index <= 22; ++index) {
    if (!(in >> field)) return std::nullopt;
  }
  std::uint64_t start = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), start);
  if (ec != std::errc() || end != field.data() + field.size()) return std::nullopt;
  return start;
}

std::optional<std::string> CpuGroupOf(const std::string& procRoot, ProcessId pid, CgroupVersion version) {
  const auto text = ReadSmallFile(procRoot + "/" + std::to_string(pid) + "/cgroup");
  if (!text) return std::nullopt;
  std::istringstream in(*text);
  std::string line;
  while (std::getline(in, line)) {
    // "hierarchy-ID:controller-list:path"
    const auto first = line.find(':');
    const auto second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (version == CgroupVersion::V2) {
      if (line.compare(0, first, "0") == 0 && controllers.empty()) return path;
      continue;
    }
    std::istringstream list(controllers);
    std::string controller;
    while (std::getline(list, controller, ',')) {
      if (controller == "cpu") return path;
    }
  }
  return std::nullopt;
}

CgroupCpuLimiter::CgroupCpuLimiter(CgroupPlaces places) : places_(std::move(places)) {
  if (places_.processors == 0) places_.processors = OnlineProcessors();
}

CgroupCpuLimiter::~CgroupCpuLimiter() { LiftAll(); }

bool CgroupCpuLimiter::Usable(const CgroupPlaces& places) {
  if (places.version == CgroupVersion::V1) {
    if (!ReadSmallFile(places.hierarchy + "/cpu.cfs_quota_us")) return false;
  } else {
    // The cpu controller must be on for the hierarchy's children already;
    // Tarvelo does not change how the system distributes controllers.
    const auto enabled = ReadSmallFile(places.hierarchy + "/cgroup.subtree_control");
    if (!enabled || (" " + Trimmed(*enabled) + " ").find(" cpu ") == std::string::npos) return false;
  }
  return ::access((places.hierarchy + "/cgroup.procs").c_str(), W_OK) == 0 &&
         ::access(places.hierarchy.c_str(), W_OK) == 0;
}

std::string CgroupCpuLimiter::GroupOf(ProcessId pid) const {
  const auto it = limits_.find(pid);
  return it == limits_.end() ? std::string() : ParentGroup() + "/" + it->second.group;
}

CpuLimitError CgroupCpuLimiter::SetQuota(const std::string& groupDir, int percent) {
  const std::uint64_t quota = std::max<std::uint64_t>(
      1000, static_cast<std::uint64_t>(percent) * places_.processors * kPeriodUsec / 100);
  if (places_.version == CgroupVersion::V2) {
    const std::string value = std::to_string(quota) + " " + std::to_string(kPeriodUsec);
    if (const int e = WriteSmallFile(groupDir + "/cpu.max", value + "\n")) return FromErrno(e);
    const auto back = ReadSmallFile(groupDir + "/cpu.max");
    return back && Trimmed(*back) == value ? CpuLimitError::None : CpuLimitError::Failed;
  }
  if (const int e = WriteSmallFile(groupDir + "/cpu.cfs_period_us", std::to_string(kPeriodUsec) + "\n")) {
    return FromErrno(e);
  }
  if (const int e = WriteSmallFile(groupDir + "/cpu.cfs_quota_us", std::to_string(quota) + "\n")) return FromErrno(e);
  const auto period = ReadSmallFile(groupDir + "/cpu.cfs_period_us");
  const auto back = ReadSmallFile(groupDir + "/cpu.cfs_quota_us");
  const bool asSet = period && back && Trimmed(*period) == std::to_string(kPeriodUsec) &&
                     Trimmed(*back) == std::to_string(quota);
  return asSet ? CpuLimitError::None : CpuLimitError::Failed;
}

std::optional<std::string> CgroupCpuLimiter::OriginOf(const std::string& group) const {
  const std::string own = "/" + places_.groupName;
  if (group != own && group.compare(0, own.size() + 1, own + "/") != 0) return group;
  // A child a limited process started: it came from where that process came from.
  const std::size_t start = own.size() + 1;
  const std::string name = group.size() > start ? group.substr(start, group.find('/', start) - start) : "";
  if (name.empty()) return std::nullopt;
  for (const auto& [pid, limit] : limits_) {
    if (limit.group == name) return limit.origin;
  }
  const auto record = ReadSmallFile(StateFile(name));
  if (!record || !PlainGroupPath(Trimmed(*record))) return std::nullopt;
  return Trimmed(*record);
}

std::string CgroupCpuLimiter::ReturnGroup(const std::string& origin) const {
  // No record (or a broken one) says where it came from: the top.
  if (!PlainGroupPath(origin) || origin == "/") return places_.hierarchy;
  const std::string own = "/" + places_.groupName;
  std::string path = origin;
  while (!path.empty()) {
    const bool ours = path == own || path.compare(0, own.size() + 1, own + "/") == 0;
    if (!ours && IsDirectory(places_.hierarchy + path)) break;
    path.erase(path.rfind('/'));
  }
  return places_.hierarchy + path;
}

bool CgroupCpuLimiter::MoveBack(ProcessId pid, const std::string& groupDir) {
  const std::string member = std::to_string(pid) + "\n";
  int error = WriteSmallFile(groupDir + "/cgroup.procs", member);
  if (error == 0 || error == ESRCH) return true;  // moved, or ended meanwhile
  // cgroup v2 refuses processes in a group whose children have controllers
  // (EBUSY): a group of their own inside still comes under its caps.
  const std::string lifted = groupDir + "/" + kLiftedGroup;
  if ((::mkdir(lifted.c_str(), 0755) != 0 && errno != EEXIST) || !IsDirectory(lifted)) return false;
  error = WriteSmallFile(lifted + "/cgroup.procs", member);
  return error == 0 || error == ESRCH;
}

CpuLimitError CgroupCpuLimiter::Apply(ProcessId pid, int percent) {
  percent = std::clamp(percent, 1, 100);
  const auto start = ProcessStartTime(places_.procRoot, pid);
  if (const auto it = limits_.find(pid); it != limits_.end()) {
    if (start && *start == it->second.startTime) return SetQuota(GroupOf(pid), percent);
    // The limited process ended; the pid names another one now.
    Lift(pid);
    return CpuLimitError::ProcessGone;
  }
  if (!start) return CpuLimitError::ProcessGone;
  const auto current = CpuGroupOf(places_.procRoot, pid, places_.version);
  if (!current) return CpuLimitError::ProcessGone;
  const auto origin = OriginOf(*current);
  if (!origin) return CpuLimitError::Failed;

  const std::string parent = ParentGroup();
  if (::mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST) return FromErrno(errno);
  if (places_.version == CgroupVersion::V2) {
    const auto enabled = ReadSmallFile(parent + "/cgroup.subtree_control");
    if (!enabled || (" " + Trimmed(*enabled) + " ").find(" cpu ") == std::string::npos) {
      if (const int e = WriteSmallFile(parent + "/cgroup.subtree_control", "+cpu\n")) return FromErrno(e);
    }
  }
  Limit limit{*start, std::to_string(pid) + "-" + std::to_string(*start), *origin};
  const std::string group = parent + "/" + limit.group;
  if (::mkdir(group.c_str(), 0755) != 0 && errno != EEXIST) {
    const int e = errno;
    RemoveParentIfEmpty();
    return FromErrno(e);
  }
  // The record goes first, so that a crash from here on leaves enough to undo.
  ::mkdir(places_.stateDirectory.c_str(), 0700);
  CpuLimitError error = CpuLimitError::None;
  if (!PrivateDirectory(places_.stateDirectory) ||
      WriteSmallFile(StateFile(limit.group), limit.origin + "\n", 0600) != 0) {
    error = CpuLimitError::Failed;
  }
  if (error == CpuLimitError::None) error = SetQuota(group, percent);
  if (error == CpuLimitError::None) {
    error = FromErrno(WriteSmallFile(group + "/cgroup.procs", std::to_string(pid) + "\n"));
  }
  if (error == CpuLimitError::None) {
    // What the kernel reports, not what was asked: the process is in the group.
    const auto inGroup = PidsOf(group);
    if (std::find(inGroup.begin(), inGroup.end(), pid) == inGroup.end()) error = CpuLimitError::Failed;
  }
  if (error != CpuLimitError::None) {
    Dissolve(limit.group, limit.origin);
    RemoveParentIfEmpty();
    return error;
  }
  limits_[pid] = std::move(limit);
  return CpuLimitError::None;
}

bool CgroupCpuLimiter::Dissolve(const std::string& group, const std::string& origin) {
  const std::string dir = ParentGroup() + "/" + group;
  if (!IsDirectory(dir)) {
    ::unlink(StateFile(group).c_str());
    return true;
  }
  bool removed = false;
  // A process of the group may fork while it is emptied, and groups on the
  // way back may go meanwhile: a few rounds.
  for (int round = 0; round < 20 && !removed; ++round) {
    const std::string back = ReturnGroup(origin);
    bool stuck = false;
    for (ProcessId member : PidsOf(dir)) stuck = !MoveBack(member, back) || stuck;
    // Never higher up: a process that cannot go back stays here, under its cap.
    if (!stuck) removed = RemoveGroup(dir);
  }
  if (removed) ::unlink(StateFile(group).c_str());
  return removed;
}

void CgroupCpuLimiter::RemoveParentIfEmpty() {
  if (Subdirectories(ParentGroup()).empty()) RemoveGroup(ParentGroup());
}

bool CgroupCpuLimiter::Lift(ProcessId pid) {
  const auto it = limits_.find(pid);
  if (it == limits_.end()) return false;
  const bool gone = Dissolve(it->second.group, it->second.origin);
  if (gone) limits_.erase(it);
  RemoveParentIfEmpty();
  return gone;
}

bool CgroupCpuLimiter::Limits(ProcessId pid) {
  const auto it = limits_.find(pid);
  if (it == limits_.end()) return false;
  const auto start = ProcessStartTime(places_.procRoot, pid);
  return start && *start == it->second.startTime;
}

void CgroupCpuLimiter::LiftAll() {
  std::vector<ProcessId> limited;
  for (const auto& [pid, limit] : limits_) limited.push_back(pid);
  for (ProcessId pid : limited) Lift(pid);
}

int CgroupCpuLimiter::LiftLeftovers() {
  int lifted = 0;
  for (const std::string& group : Subdirectories(ParentGroup())) {
    bool ours = false;
    for (const auto& [pid, limit] : limits_) ours = ours || limit.group == group;
    if (ours) continue;
    const auto record = ReadSmallFile(StateFile(group));
    if (Dissolve(group, record ? Trimmed(*record) : std::string())) ++lifted;
  }
  // Records whose group is gone already.
  std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(places_.stateDirectory.c_str()), ::closedir);
  while (d) {
    const dirent* entry = ::readdir(d.get());
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || IsDirectory(ParentGroup() + "/" + name)) continue;
    ::unlink(StateFile(name).c_str());
  }
  RemoveParentIfEmpty();
  return lifted;
}

}  // namespace platform::linux_impl
