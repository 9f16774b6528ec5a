#include "platform/linux/desktop/LinuxShutdownRequests.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace platform::linux_impl {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end for the signal handler: signal handlers are process-wide.
volatile sig_atomic_t g_writeFd = -1;

void OnSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  if (g_writeFd >= 0) {
    const ssize_t written = ::write(g_writeFd, &byte, 1);  // a full pipe already says it
    static_cast<void>(written);
  }
  errno = savedErrno;
}

}  // namespace

LinuxShutdownRequests::LinuxShutdownRequests() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  readEnd_.Reset(fds[0]);
  writeEnd_.Reset(fds[1]);
  g_writeFd = writeEnd_.Get();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

LinuxShutdownRequests::~LinuxShutdownRequests() {
  if (!writeEnd_.Valid()) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
  g_writeFd = -1;
}

void LinuxShutdownRequests::Acknowledge() {
  char buffer[64];
  while (::read(readEnd_.Get(), buffer, sizeof buffer) > 0) {
  }
}

}  // namespace platform::linux_impl
