// tarvelo-priv: the one part of Tarvelo that holds a capability (CAP_SYS_NICE,
// as a file capability). It reads requests from the program on its standard
// input and answers on its standard output (see PrivProtocol.h), and does
// exactly three things, each only to a process whose user ids all are the real
// user id of whoever started it: raise every thread and the autogroup of the
// process to nice -5 or -10, put them back to 0, and page the process out.
//
// The program's Qt, its plugins and the environment never come near the
// capability this way. The helper takes nothing from its environment, and
// loads nothing but the C++ runtime (which the loader keeps free of
// LD_PRELOAD and the like for a program with file capabilities).
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/PrivProtocol.h"
#include "platform/linux/ProcessControl.h"

namespace {

using namespace platform::linux_impl;
using platform::priv::Request;
using platform::priv::Verb;

constexpr std::size_t kMaxMapsBytes = 64 * 1024 * 1024;

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
  const auto status = ReadProcText(dir + "/status");
  const auto uids = status ? ParseUids(*status) : std::nullopt;
  if (!uids) return ESRCH;
  for (const uid_t uid : *uids) {
    if (uid != caller) return EPERM;  // another user's process, or one that changed its ids
  }
  if (!PidfdAlive(pidfd.Get())) return ESRCH;

  if (request.verb == Verb::PageOut) {
    const auto maps = ReadProcText(dir + "/maps", kMaxMapsBytes);
    if (!maps) return EACCES;
    return PageOut(pidfd.Get(), *maps);
  }
  const int nice = request.verb == Verb::Nice ? request.nice : 0;
  if (const std::error_code failure = SetThreadsNice(dir, nice)) return failure.value();
  if (!AutogroupEnabled("/proc")) return 0;
  const auto group = ReadAutogroupIn(dir);
  if (!group || group->nice == nice) return 0;
  return WriteAutogroupNice(dir, nice) == EAGAIN ? platform::priv::kAgain : 0;
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
          if (!Reply(EINVAL)) return 0;
        }
        continue;
      }
      if (discarding) {
        discarding = false;
        continue;
      }
      const auto request = platform::priv::ParseRequest(pending);
      pending.clear();
      if (!Reply(request ? Serve(*request, caller) : EINVAL)) return 0;
    }
  }
}
