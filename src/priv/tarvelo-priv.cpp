// tarvelo-priv: the one part of Tarvelo that holds a capability (CAP_SYS_NICE,
// as a file capability). It reads requests from the program on its standard
// input and answers on its standard output (see PrivProtocol.h), and does
// exactly three things, each only to a process whose user ids all are the real
// user id of whoever started it: raise every thread of the process to nice -5
// or -10, take them back from below 0 to 0, and page the process out. The
// process's autogroup follows its threads when every process in that
// autogroup is the caller's.
//
// It serves only a member of the group "tarvelo" or a user sitting at the
// machine (an active, local logind session); anyone else gets "err 13" to
// every line.
//
// The program's Qt, its plugins and the environment never come near the
// capability this way. The helper takes nothing from its environment, and
// loads nothing but the C++ runtime (which the loader keeps free of
// LD_PRELOAD and the like for a program with file capabilities).
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/helper/PrivPolicy.h"
#include "platform/linux/helper/PrivProtocol.h"
#include "platform/linux/processes/ProcessControl.h"

namespace {

using namespace platform::linux_impl;
using platform::priv::Request;
using platform::priv::Verb;

constexpr std::size_t kMaxMapsBytes = 64 * 1024 * 1024;

#ifdef TARVELO_PRIV_PAUSE
// Built into a test copy only: before a thread's nice is read or set, tells
// the test which thread on standard error and stops until it is continued.
void Pause(std::string_view step, int tid) {
  const std::string line = std::string(step) + " " + std::to_string(tid) + "\n";
  [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
  ::raise(SIGSTOP);
}
#endif

std::vector<gid_t> OwnGroups() {
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
  const int n = ::getgroups(static_cast<int>(groups.size()), groups.data());
  groups.resize(static_cast<std::size_t>(std::max(0, n)));
  groups.push_back(::getgid());
  groups.push_back(::getegid());
  return groups;
}

std::optional<gid_t> BoostGroup() {
  const group* entry = ::getgrnam(kBoostGroup);
  if (entry == nullptr) return std::nullopt;
  return entry->gr_gid;
}

bool AllCallers(const std::string& dir, uid_t caller) {
  const auto status = ReadProcText(dir + "/status");
  const auto uids = status ? ParseUids(*status) : std::nullopt;
  if (!uids) return false;
  for (const uid_t uid : *uids) {
    if (uid != caller) return false;
  }
  return true;
}

// Sets the autogroup's nice when every process in it is the caller's, and
// puts it back when a process of someone else turned up meanwhile. 0, kAgain
// or an errno.
int SetAutogroup(const std::string& dir, int nice, bool onlyFromBelow, uid_t caller) {
  if (!AutogroupEnabled("/proc")) return 0;
  const auto group = ReadAutogroupIn(dir);
  if (!group || group->nice == nice || (onlyFromBelow && group->nice > nice)) return 0;
  const PolicyPlaces places;
  if (!AutogroupIsAllCallers(group->name, caller, places)) return 0;  // shared: the threads only
  const int written = WriteAutogroupNice(dir, nice);
  if (written == EAGAIN) return platform::priv::kAgain;
  if (written == 0 && !AutogroupIsAllCallers(group->name, caller, places)) WriteAutogroupNice(dir, group->nice);
  return 0;
}

// Carries out one request; 0, kAgain or an errno.
int Serve(const Request& request, uid_t caller) {
  // The directory and the pidfd are taken first and checked together: once
  // both name a process with the expected start time that still runs, the pid
  // cannot stand for another process while they are held.
  UniqueFd dirFd(::open(("/proc/" + std::to_string(request.pid)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirFd.Valid()) return ESRCH;
  const UniqueFd pidfd = OpenPidfd(request.pid);
  if (!pidfd.Valid()) return ESRCH;
  // Every path below goes through the open directory: it fails once its process has ended.
  const std::string dir = "/proc/self/fd/" + std::to_string(dirFd.Get());

  const auto stat = ReadProcText(dir + "/stat");
  const auto start = stat ? ParseStartTime(*stat) : std::nullopt;
  if (!start || *start != request.startTime) return ESRCH;
  // Another user's process, or one that changed its ids.
  if (!AllCallers(dir, caller)) return ReadProcText(dir + "/status") ? EPERM : ESRCH;
  if (!PidfdAlive(pidfd.Get())) return ESRCH;

  if (request.verb == Verb::PageOut) {
    const auto maps = ReadProcText(dir + "/maps", kMaxMapsBytes);
    if (!maps) return EACCES;
    return PageOut(pidfd.Get(), *maps);
  }
  const int nice = request.verb == Verb::Nice ? request.nice : 0;
  ThreadsNiceOptions options;
  // A reset undoes a raise; it never takes back what someone set above 0.
  options.onlyFromBelow = request.verb == Verb::Reset;
#ifdef TARVELO_PRIV_PAUSE
  options.pause = Pause;
#endif
  const ThreadsNiceResult threads = SetThreadsNiceHeld(dir, nice, options);
  if (threads.error) return threads.error.value();
  // The ids are checked again after the act: a process that took on other
  // ids meanwhile (a set-user-ID program it ran) gets its threads back.
  if (!AllCallers(dir, caller)) {
    PutThreadsBack(dir, threads.changed);
    return EPERM;
  }
  return SetAutogroup(dir, nice, options.onlyFromBelow, caller);
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Reply(int code) { return WriteAll(STDOUT_FILENO, platform::priv::FormatReply(code) + "\n"); }

}  // namespace

int main() {
  ::clearenv();
  ::close_range(3, ~0U, 0);  // nothing of the caller's but the pipe
  ::signal(SIGPIPE, SIG_IGN);
  ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
  ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
  const uid_t caller = ::getuid();
  // Asked at every line: a session stops being active when another user
  // takes the seat.
  const auto allowed = [caller] {
    const auto cgroup = ReadProcText("/proc/self/cgroup");
    return MayServe(caller, OwnGroups(), BoostGroup(), cgroup.value_or(""), PolicyPlaces{});
  };

  std::string pending;
  bool discarding = false;  // the rest of an overlong line
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;  // the program has gone
    for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
      if (c != '\n') {
        if (discarding) continue;
        pending.push_back(c);
        if (pending.size() > platform::priv::kMaxLine) {
          pending.clear();
          discarding = true;
          if (!Reply(allowed() ? EINVAL : EACCES)) return 0;
        }
        continue;
      }
      if (discarding) {
        discarding = false;
        continue;
      }
      const auto request = platform::priv::ParseRequest(pending);
      pending.clear();
      const int code = !allowed() ? EACCES : (request ? Serve(*request, caller) : EINVAL);
      if (!Reply(code)) return 0;
    }
  }
}
