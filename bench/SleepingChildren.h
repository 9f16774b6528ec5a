#pragma once
// Processes of a benchmark's own that sleep until it ends: extra rows for the
// process list, or processes with memory for a release to trim. Create them
// before QApplication, while the benchmark has one thread.
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

class SleepingChildren {
 public:
  // Each child holds bytes of its own memory, touched now and on Touch().
  SleepingChildren(int count, std::size_t bytes) {
    if (::pipe(ask_) != 0 || ::pipe(done_) != 0) std::abort();
    for (int i = 0; i < count; ++i) {
      const pid_t pid = ::fork();
      if (pid < 0) std::abort();
      if (pid == 0) Child(bytes);
      pids_.push_back(pid);
    }
    ::close(ask_[0]);
    ::close(done_[1]);
    Wait();
  }
  ~SleepingChildren() {
    for (pid_t pid : pids_) ::kill(pid, SIGKILL);
    for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
    ::close(ask_[1]);
    ::close(done_[0]);
  }
  SleepingChildren(const SleepingChildren&) = delete;
  SleepingChildren& operator=(const SleepingChildren&) = delete;

  // Every child touches its memory again; returns when all have.
  void Touch() {
    const std::vector<char> asks(pids_.size(), 't');
    if (!asks.empty() && ::write(ask_[1], asks.data(), asks.size()) != static_cast<ssize_t>(asks.size())) std::abort();
    Wait();
  }
  const std::vector<pid_t>& Pids() const { return pids_; }

 private:
  [[noreturn]] void Child(std::size_t bytes) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::close(ask_[1]);
    ::close(done_[0]);
    char* memory = bytes > 0 ? static_cast<char*>(::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))
                             : nullptr;
    char ask = 't';
    do {
      if (memory != nullptr && memory != MAP_FAILED) std::memset(memory, ask, bytes);
      if (::write(done_[1], "d", 1) != 1) break;
    } while (::read(ask_[0], &ask, 1) == 1);
    std::_Exit(0);
  }
  void Wait() {
    std::size_t left = pids_.size();
    char buffer[256];
    while (left > 0) {
      const ssize_t n = ::read(done_[0], buffer, left < sizeof buffer ? left : sizeof buffer);
      if (n <= 0) std::abort();
      left -= static_cast<std::size_t>(n);
    }
  }

  int ask_[2]{-1, -1};
  int done_[2]{-1, -1};
  std::vector<pid_t> pids_;
};
