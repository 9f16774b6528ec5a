#include "platform/linux/processes/ProcessControl.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <memory>
#include <set>

#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434
#endif
#ifndef SYS_pidfd_send_signal
#define SYS_pidfd_send_signal 424
#endif
#ifndef SYS_process_madvise
#define SYS_process_madvise 440
#endif
#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif

namespace platform::linux_impl {

namespace {

std::error_code Errno(int error) { return {error, std::generic_category()}; }

constexpr std::size_t kMaxRangesPerCall = UIO_MAXIOV;

constexpr std::array<std::string_view, 5> kSpecialMappings = {"[vsyscall]", "[vvar]", "[vvar_vclock]", "[vdso]",
                                                              "[uprobes]"};

template <typename T>
std::optional<T> ParseNumber(std::string_view text, int base = 10) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

bool ParseHex(std::string_view text, std::uintptr_t& value) {
  const auto parsed = ParseNumber<std::uintptr_t>(text, 16);
  if (parsed) value = *parsed;
  return parsed.has_value();
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

std::string ProcessDir(const std::string& procRoot, ProcessId pid) {
  if (pid == 0 || pid > static_cast<ProcessId>(INT_MAX)) return {};
  return procRoot + "/" + std::to_string(pid);
}

ThreadList ThreadsIn(const std::string& processDir) {
  ThreadList list;
  if (processDir.empty()) {
    list.error = Errno(ESRCH);
    return list;
  }
  struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir((processDir + "/task").c_str()));
  if (!dir) {
    list.error = Errno(errno == ENOENT ? ESRCH : errno);
    return list;
  }
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    const auto tid = ParseNumber<int>(name);
    if (tid && *tid > 0 && std::to_string(*tid) == name) list.tids.push_back(*tid);
  }
  return list;
}

ThreadList ThreadsOf(const std::string& procRoot, ProcessId pid) { return ThreadsIn(ProcessDir(procRoot, pid)); }

std::optional<Autogroup> ParseAutogroup(std::string_view text) {
  constexpr std::string_view kSeparator = " nice ";
  const auto at = text.find(kSeparator);
  if (at == std::string_view::npos || at == 0) return std::nullopt;
  std::string_view rest = text.substr(at + kSeparator.size());
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == ' ')) rest.remove_suffix(1);
  const auto nice = ParseNumber<int>(rest);
  if (!nice || std::to_string(*nice) != rest) return std::nullopt;
  return Autogroup{std::string(text.substr(0, at)), *nice};
}

std::optional<Autogroup> ReadAutogroupIn(const std::string& processDir) {
  if (processDir.empty()) return std::nullopt;
  const auto text = ReadProcText(processDir + "/autogroup", 128);
  if (!text) return std::nullopt;
  return ParseAutogroup(*text);
}

std::optional<Autogroup> ReadAutogroup(const std::string& procRoot, ProcessId pid) {
  return ReadAutogroupIn(ProcessDir(procRoot, pid));
}

int WriteAutogroupNice(const std::string& processDir, int nice) {
  if (processDir.empty()) return ESRCH;
  UniqueFd fd(::open((processDir + "/autogroup").c_str(), O_WRONLY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  const std::string text = std::to_string(nice);
  ssize_t n;
  do {
    n = ::write(fd.Get(), text.data(), text.size());
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(text.size()) ? 0 : (n < 0 ? errno : EIO);
}

bool AutogroupEnabled(const std::string& procRoot) {
  UniqueFd fd(::open((procRoot + "/sys/kernel/sched_autogroup_enabled").c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return false;
  char c = '0';
  return ::read(fd.Get(), &c, 1) == 1 && c == '1';
}

namespace {

// Whether the thread held by its task directory still exists: once it has
// been reaped, nothing under the directory opens. While it exists its id
// cannot name another thread or process.
bool Held(const UniqueFd& task) {
  UniqueFd stat(::openat(task.Get(), "stat", O_RDONLY | O_CLOEXEC));
  return stat.Valid();
}

UniqueFd OpenTask(const std::string& processDir, int tid) {
  return UniqueFd(::open((processDir + "/task/" + std::to_string(tid)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::optional<int> NiceOfThread(int tid) {
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (nice == -1 && errno != 0) return std::nullopt;
  return nice;
}

}  // namespace

ThreadsNiceResult SetThreadsNiceHeld(const std::string& processDir, int nice, const ThreadsNiceOptions& options) {
  ThreadsNiceResult result;
  const auto pause = [&](std::string_view step, int tid) {
    if (options.pause) options.pause(step, tid);
  };
  // Threads started while the list is worked through come in a later pass;
  // those started by a thread already set inherit its nice.
  std::set<int> done;
  bool anyThere = false;
  for (int pass = 0; pass < 4; ++pass) {
    const ThreadList threads = ThreadsIn(processDir);
    if (threads.error) {
      if (pass == 0) result.error = threads.error;
      break;
    }
    bool fresh = false;
    for (const int tid : threads.tids) {
      if (!done.insert(tid).second) continue;
      fresh = true;
      const UniqueFd task = OpenTask(processDir, tid);
      if (!task.Valid()) continue;  // ended: nothing to do
      pause("listed", tid);
      const auto before = NiceOfThread(tid);
      // Read while held: the nice read was this thread's.
      if (!before || !Held(task)) continue;
      anyThere = true;
      if (*before == nice || (options.onlyFromBelow && *before > nice)) continue;
      pause("acting", tid);
      if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) != 0) {
        if (errno == ESRCH) continue;
        result.error = Errno(errno);
        break;
      }
      if (!Held(task)) {
        // Ended between the check and the act: the id may have named some
        // other process when it was set. Back as it was found, and refused.
        if (NiceOfThread(tid) == nice) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), *before);
        result.error = Errno(ESTALE);
        break;
      }
      result.changed.push_back({tid, *before});
    }
    if (result.error || !fresh) break;
  }
  if (result.error) {
    PutThreadsBack(processDir, result.changed);
    result.changed.clear();
    return result;
  }
  if (!anyThere) result.error = Errno(ESRCH);
  return result;
}

std::error_code SetThreadsNice(const std::string& processDir, int nice) {
  return SetThreadsNiceHeld(processDir, nice).error;
}

void PutThreadsBack(const std::string& processDir, const std::vector<ThreadNice>& changed) {
  for (const ThreadNice& thread : changed) {
    const UniqueFd task = OpenTask(processDir, thread.tid);
    if (!task.Valid() || !Held(task)) continue;  // ended: nothing of it is left to put back
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread.tid), thread.before);
  }
}

std::vector<AddressRange> TrimmableRanges(std::string_view maps) {
  std::vector<AddressRange> ranges;
  while (!maps.empty()) {
    const auto eol = maps.find('\n');
    const std::string_view line = maps.substr(0, eol);
    maps = eol == std::string_view::npos ? std::string_view() : maps.substr(eol + 1);
    const auto dash = line.find('-');
    const auto space = line.find(' ');
    if (dash == std::string_view::npos || space == std::string_view::npos || dash > space) continue;
    AddressRange range;
    if (!ParseHex(line.substr(0, dash), range.start) || !ParseHex(line.substr(dash + 1, space - dash - 1), range.end) ||
        range.end <= range.start) {
      continue;
    }
    const auto bracket = line.rfind(" [");
    if (bracket != std::string_view::npos) {
      const std::string_view name = line.substr(bracket + 1);
      if (std::find(kSpecialMappings.begin(), kSpecialMappings.end(), name) != kSpecialMappings.end()) continue;
    }
    ranges.push_back(range);
  }
  return ranges;
}

UniqueFd OpenPidfd(ProcessId pid) {
  if (pid == 0 || pid > static_cast<ProcessId>(INT_MAX)) return UniqueFd();
  return UniqueFd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
}

bool PidfdAlive(int pidfd) {
  // Signal 0 only checks; a process of the same user may always be asked.
  return ::syscall(SYS_pidfd_send_signal, pidfd, 0, nullptr, 0) == 0 || errno == EPERM;
}

int PageOut(int pidfd, std::string_view maps) {
  std::vector<iovec> ranges;
  for (const AddressRange& r : TrimmableRanges(maps)) {
    ranges.push_back({reinterpret_cast<void*>(r.start), r.end - r.start});
  }
  int lastError = ESRCH;
  bool accepted = false;
  std::size_t next = 0;
  while (next < ranges.size()) {
    const std::size_t count = std::min(kMaxRangesPerCall, ranges.size() - next);
    const ssize_t advised = ::syscall(SYS_process_madvise, pidfd, &ranges[next], count, MADV_PAGEOUT, 0);
    if (advised < 0) {
      lastError = errno;
      // Not allowed, or the process is gone: nothing more can be done.
      if (errno == EPERM || errno == EACCES || errno == ESRCH) break;
      ++next;  // the first range was refused (unmapped meanwhile, a special mapping): step over it
      continue;
    }
    accepted = true;
    // The call stops at a range it refuses: go on after that one.
    auto bytes = static_cast<std::size_t>(advised);
    std::size_t done = next;
    while (done < next + count && bytes >= ranges[done].iov_len) bytes -= ranges[done++].iov_len;
    next = done == next + count ? done : done + 1;
  }
  return accepted ? 0 : lastError;
}

std::optional<std::string> ReadProcText(const std::string& path, std::size_t maxBytes) {
  // A proc file reports size 0, so it is read until the end.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (text.size() > maxBytes) return std::nullopt;
  }
  return text;
}

std::optional<std::uint64_t> ParseStatmResident(std::string_view statm, std::uint64_t pageSize) {
  const auto first = statm.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  std::string_view rest = statm.substr(first + 1);
  rest = rest.substr(0, rest.find_first_of(" \n"));
  const auto pages = ParseNumber<std::uint64_t>(rest);
  if (!pages || *pages > UINT64_MAX / pageSize) return std::nullopt;
  return *pages * pageSize;
}

std::optional<std::uint64_t> ResidentBytes(const std::string& procRoot, ProcessId pid) {
  const std::string dir = ProcessDir(procRoot, pid);
  if (dir.empty()) return std::nullopt;
  const auto text = ReadProcText(dir + "/statm", 256);
  if (!text) return std::nullopt;
  return ParseStatmResident(*text, static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)));
}

std::optional<std::uint64_t> ParseStartTime(std::string_view stat) {
  // The name in brackets may hold spaces and brackets: fields count from the last ')'.
  const auto close = stat.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::string_view rest = stat.substr(close + 1);
  constexpr int kFieldsAfterName = 20;  // state (3) ... starttime (22)
  for (int field = 0; field < kFieldsAfterName; ++field) {
    const auto start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    rest = rest.substr(start);
    const auto end = rest.find_first_of(" \n");
    const std::string_view value = rest.substr(0, end);
    if (field == kFieldsAfterName - 1) return ParseNumber<std::uint64_t>(value);
    if (end == std::string_view::npos) return std::nullopt;
    rest = rest.substr(end);
  }
  return std::nullopt;
}

std::optional<std::array<uid_t, 3>> ParseUids(std::string_view status) {
  constexpr std::string_view kKey = "\nUid:";
  const auto at = status.find(kKey);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = status.substr(at + kKey.size());
  rest = rest.substr(0, rest.find('\n'));
  std::array<uid_t, 3> uids{};
  for (uid_t& uid : uids) {
    const auto start = rest.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    rest = rest.substr(start);
    const auto end = rest.find_first_of(" \t");
    const auto value = ParseNumber<uid_t>(rest.substr(0, end));
    if (!value) return std::nullopt;
    uid = *value;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  return uids;
}

}  // namespace platform::linux_impl
