#include "platform/linux/LinuxProcessPriority.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/capability.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <memory>
#include <set>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

std::error_code Errno(int error) { return {error, std::generic_category()}; }

std::string ProcessDir(const std::string& procRoot, ProcessId pid) {
  return procRoot + "/" + std::to_string(pid);
}

// A process id that can name a process at all; 0 would mean the caller itself.
bool Plausible(ProcessId pid) { return pid != 0 && pid <= static_cast<ProcessId>(INT_MAX); }

std::optional<int> ParseInt(std::string_view text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<int> NiceOf(PriorityClass priorityClass) {
  switch (priorityClass) {
    case PriorityClass::Idle: return 19;
    case PriorityClass::BelowNormal: return 5;
    case PriorityClass::Normal: return 0;
    case PriorityClass::AboveNormal: return -5;
    case PriorityClass::High: return -10;
  }
  return std::nullopt;
}

PriorityClass ClassOfNice(int nice) {
  if (nice <= -10) return PriorityClass::High;
  if (nice < 0) return PriorityClass::AboveNormal;
  if (nice == 0) return PriorityClass::Normal;
  if (nice < 10) return PriorityClass::BelowNormal;
  return PriorityClass::Idle;
}

ThreadList ThreadsOf(const std::string& procRoot, ProcessId pid) {
  ThreadList list;
  if (!Plausible(pid)) {
    list.error = Errno(ESRCH);
    return list;
  }
  struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir((ProcessDir(procRoot, pid) + "/task").c_str()));
  if (!dir) {
    list.error = Errno(errno == ENOENT ? ESRCH : errno);
    return list;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    const auto tid = ParseInt(name);
    if (tid && *tid > 0 && std::to_string(*tid) == name) list.tids.push_back(*tid);
  }
  return list;
}

std::optional<Autogroup> ParseAutogroup(std::string_view text) {
  constexpr std::string_view kSeparator = " nice ";
  const auto at = text.find(kSeparator);
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  std::string_view rest = text.substr(at + kSeparator.size());
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == ' ')) rest.remove_suffix(1);
  const auto nice = ParseInt(rest);
  if (!nice || std::to_string(*nice) != rest) return std::nullopt;
  return Autogroup{std::string(text.substr(0, at)), *nice};
}

std::optional<Autogroup> ReadAutogroup(const std::string& procRoot, ProcessId pid) {
  if (!Plausible(pid)) return std::nullopt;
  // A proc file reports size 0, so it is read through a descriptor.
  UniqueFd fd(::open((ProcessDir(procRoot, pid) + "/autogroup").c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  char buffer[128];
  ssize_t n;
  do {
    n = ::read(fd.Get(), buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return std::nullopt;
  return ParseAutogroup(std::string_view(buffer, static_cast<std::size_t>(n)));
}

bool AutogroupEnabled(const std::string& procRoot) {
  UniqueFd fd(::open((procRoot + "/sys/kernel/sched_autogroup_enabled").c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return false;
  char c = '0';
  return ::read(fd.Get(), &c, 1) == 1 && c == '1';
}

LinuxProcessPriorities::LinuxProcessPriorities(std::string procRoot) : procRoot_(std::move(procRoot)) {}

ProcessId LinuxProcessPriorities::CurrentProcessId() const { return static_cast<ProcessId>(::getpid()); }

std::error_code LinuxProcessPriorities::SetClass(ProcessId pid, PriorityClass priorityClass) {
  const std::optional<int> nice = NiceOf(priorityClass);
  if (!nice) return Errno(EINVAL);

  // Threads started while the list is worked through come in a later pass;
  // those started by a thread already set inherit its nice.
  std::set<int> done;
  std::error_code failure;
  bool anySet = false;
  for (int pass = 0; pass < 4; ++pass) {
    const ThreadList threads = ThreadsOf(procRoot_, pid);
    if (threads.error) {
      if (pass == 0) return threads.error;
      break;
    }
    bool fresh = false;
    for (const int tid : threads.tids) {
      if (!done.insert(tid).second) continue;
      fresh = true;
      if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), *nice) == 0) {
        anySet = true;
      } else if (errno != ESRCH && !failure) {
        failure = Errno(errno);  // a thread that just ended is no failure
      }
    }
    if (!fresh) break;
  }
  if (failure) return failure;
  if (!anySet) return Errno(ESRCH);
  if (AutogroupEnabled(procRoot_)) SetAutogroupNice(pid, *nice);
  return {};
}

std::optional<PriorityClass> LinuxProcessPriorities::ClassOf(ProcessId pid) const {
  if (!Plausible(pid)) return std::nullopt;
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid));
  if (nice == -1 && errno != 0) return std::nullopt;
  return ClassOfNice(nice);
}

bool LinuxProcessPriorities::MayRaiseTo(PriorityClass priorityClass) const {
  const std::optional<int> nice = NiceOf(priorityClass);
  if (!nice) return false;
  struct CapFree {
    void operator()(cap_t caps) const { cap_free(caps); }
  };
  std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree> caps(cap_get_proc());
  cap_flag_value_t effective = CAP_CLEAR;
  if (caps && cap_get_flag(caps.get(), CAP_SYS_NICE, CAP_EFFECTIVE, &effective) == 0 && effective == CAP_SET) {
    return true;
  }
  // RLIMIT_NICE r allows nice values down to 20 - r.
  rlimit limit{};
  if (::getrlimit(RLIMIT_NICE, &limit) != 0) return false;
  if (limit.rlim_cur == RLIM_INFINITY) return true;
  return static_cast<long long>(*nice) >= 20 - static_cast<long long>(limit.rlim_cur);
}

int LinuxProcessPriorities::WriteAutogroupNice(ProcessId pid, int nice) const {
  UniqueFd fd(::open((ProcessDir(procRoot_, pid) + "/autogroup").c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  const std::string text = std::to_string(nice);
  ssize_t n;
  do {
    n = ::write(fd.Get(), text.data(), text.size());
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(text.size()) ? 0 : (n < 0 ? errno : EIO);
}

void LinuxProcessPriorities::SetAutogroupNice(ProcessId pid, int nice) {
  const std::optional<Autogroup> group = ReadAutogroup(procRoot_, pid);
  if (!group) return;
  if (group->nice == nice) {
    deferred_.erase(group->name);  // already as the latest change wants it
    return;
  }
  if (WriteAutogroupNice(pid, nice) == EAGAIN) {
    deferred_[group->name] = Deferred{pid, nice};
  } else {
    deferred_.erase(group->name);  // done, or refused for good: passed over like any failure
  }
}

void LinuxProcessPriorities::CompleteDeferredChanges() {
  for (auto it = deferred_.begin(); it != deferred_.end();) {
    const std::optional<Autogroup> group = ReadAutogroup(procRoot_, it->second.pid);
    // The process may have ended or left the group meanwhile.
    if (!group || group->name != it->first || group->nice == it->second.nice) {
      it = deferred_.erase(it);
      continue;
    }
    if (WriteAutogroupNice(it->second.pid, it->second.nice) == EAGAIN) return;  // the next tick tries again
    it = deferred_.erase(it);
  }
}

}  // namespace platform::linux_impl
