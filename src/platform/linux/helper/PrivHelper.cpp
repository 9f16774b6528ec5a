#include "platform/linux/helper/PrivHelper.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/capability.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

#include "platform/linux/processes/ProcessControl.h"

namespace platform::linux_impl {

namespace {

// Paging out a large process can take a while on a busy machine.
constexpr int kReplyTimeoutMs = 60'000;

struct CapFree {
  void operator()(void* caps) const { cap_free(caps); }
};
using CapHandle = std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree>;

bool CapabilitySet(cap_t caps, cap_flag_t flag) {
  cap_flag_value_t value = CAP_CLEAR;
  return caps != nullptr && cap_get_flag(caps, CAP_SYS_NICE, flag, &value) == 0 && value == CAP_SET;
}

// CAP_SYS_NICE in the CapEff line of a status text.
bool StatusHasEffectiveSysNice(std::string_view status) {
  constexpr std::string_view kKey = "\nCapEff:";
  const auto at = status.find(kKey);
  if (at == std::string_view::npos) return false;
  std::string_view rest = status.substr(at + kKey.size());
  rest = rest.substr(rest.find_first_not_of(" \t"));
  rest = rest.substr(0, rest.find('\n'));
  std::uint64_t mask = 0;
  for (const char c : rest) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1);
    if (digit < 0) return false;
    mask = mask << 4 | static_cast<std::uint64_t>(digit);
  }
  return (mask >> CAP_SYS_NICE & 1) != 0;
}

}  // namespace

bool HasEffectiveSysNice() {
  CapHandle caps(cap_get_proc());
  return CapabilitySet(caps.get(), CAP_EFFECTIVE);
}

std::string PrivHelperPathBeside(const std::string& executablePath) {
  const auto slash = executablePath.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : executablePath.substr(0, slash);
  return dir + "/../libexec/tarvelo/tarvelo-priv";
}

std::string DefaultPrivHelperPath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return PrivHelperPathBeside(std::string(buffer, static_cast<std::size_t>(n)));
}

PrivHelper::PrivHelper(std::string path) : path_(std::move(path)) {}

PrivHelper::~PrivHelper() { Stop(); }

bool PrivHelper::FileHasCapability() const {
  if (path_.empty()) return false;
  CapHandle caps(cap_get_file(path_.c_str()));
  return CapabilitySet(caps.get(), CAP_PERMITTED) && CapabilitySet(caps.get(), CAP_EFFECTIVE);
}

bool PrivHelper::Usable() {
  if (!FileHasCapability()) {
    // Taken away meanwhile: a running helper may still hold it, but the
    // program goes by what the file says.
    return false;
  }
  if (!socket_.Valid() && !Start()) return false;
  if (!childHasCapability_) {
    // The capability comes late in the helper's exec, after posix_spawn
    // returns: an answer to a line that is no request shows that the helper
    // runs, with whatever it got.
    if (Exchange("\n") != EINVAL) return false;
    const auto status = ReadProcText("/proc/" + std::to_string(child_) + "/status");
    childHasCapability_ = status && StatusHasEffectiveSysNice(*status);
  }
  return *childHasCapability_;
}

bool PrivHelper::Start() {
  Stop();
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
  UniqueFd ours(fds[0]);
  UniqueFd theirs(fds[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, theirs.Get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, theirs.Get(), STDOUT_FILENO);
  char* argv[] = {const_cast<char*>(path_.c_str()), nullptr};
  char* envp[] = {nullptr};  // the helper takes nothing from the environment
  pid_t child = -1;
  const int error = ::posix_spawn(&child, path_.c_str(), &actions, nullptr, argv, envp);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return false;
  socket_ = std::move(ours);
  child_ = child;
  childHasCapability_.reset();
  return true;
}

void PrivHelper::Stop() {
  if (child_ <= 0) {
    socket_.Reset();
    return;
  }
  socket_.Reset();  // the helper ends at the end of its input
  int status = 0;
  while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
  }
  child_ = -1;
  childHasCapability_.reset();
}

int PrivHelper::SetNice(ProcessId pid, int nice) {
  return Call(nice == 0 ? priv::Verb::Reset : priv::Verb::Nice, pid, nice);
}

int PrivHelper::PageOut(ProcessId pid) { return Call(priv::Verb::PageOut, pid, 0); }

int PrivHelper::Call(priv::Verb verb, ProcessId pid, int nice) {
  if (!Usable()) return EPERM;
  // The start time names the process the program means; the helper refuses
  // when the pid has come to stand for another one.
  const std::string dir = ProcessDir("/proc", pid);
  const auto stat = dir.empty() ? std::nullopt : ReadProcText(dir + "/stat");
  const auto start = stat ? ParseStartTime(*stat) : std::nullopt;
  if (!start) return ESRCH;
  priv::Request request;
  request.verb = verb;
  request.pid = pid;
  request.startTime = *start;
  request.nice = nice;
  const int result = Exchange(priv::FormatRequest(request) + "\n");
  if (result == EPIPE && Start()) return Exchange(priv::FormatRequest(request) + "\n");  // it had ended: once more
  return result;
}

int PrivHelper::Exchange(const std::string& line) {
  if (!socket_.Valid()) return EPIPE;
  std::string_view out = line;
  while (!out.empty()) {
    const ssize_t n = ::send(socket_.Get(), out.data(), out.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Stop();
      return EPIPE;
    }
    out.remove_prefix(static_cast<std::size_t>(n));
  }
  std::string reply;
  for (;;) {
    pollfd p{socket_.Get(), POLLIN, 0};
    const int ready = ::poll(&p, 1, kReplyTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      // A helper that does not answer is ended; the next request starts a new one.
      ::kill(child_, SIGKILL);
      Stop();
      return ETIMEDOUT;
    }
    char c = 0;
    const ssize_t n = ::read(socket_.Get(), &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Stop();
      return EPIPE;
    }
    if (c == '\n') break;
    reply.push_back(c);
    if (reply.size() > priv::kMaxLine) {
      Stop();
      return EPROTO;
    }
  }
  const auto code = priv::ParseReply(reply);
  return code ? *code : EPROTO;
}

}  // namespace platform::linux_impl
