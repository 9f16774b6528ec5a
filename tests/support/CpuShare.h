#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tarvelo::testing {

// A child process that keeps one processor busy (or sleeps) until the
// object goes.
class BusyChild {
 public:
  explicit BusyChild(bool busy = true) {
    pid_ = ::fork();
    if (pid_ == 0) {
      volatile std::uint64_t n = 0;
      for (;;) {
        if (busy) {
          n = n + 1;
        } else {
          ::pause();
        }
      }
    }
  }
  ~BusyChild() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  BusyChild(const BusyChild&) = delete;
  BusyChild& operator=(const BusyChild&) = delete;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// The processor time a process has had, in nanoseconds.
inline std::uint64_t CpuNanoseconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  std::uint64_t ns = 0;
  in >> ns;
  return ns;
}

// Each process's share of the whole machine (all processors together, 0..1)
// over one window of wall time.
inline std::vector<double> MeasureShares(const std::vector<pid_t>& pids, std::chrono::milliseconds window) {
  std::vector<std::uint64_t> before;
  for (pid_t pid : pids) before.push_back(CpuNanoseconds(pid));
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(window);
  const double wall = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  const double processors = static_cast<double>(::sysconf(_SC_NPROCESSORS_ONLN));
  std::vector<double> shares;
  for (std::size_t i = 0; i < pids.size(); ++i) {
    shares.push_back(static_cast<double>(CpuNanoseconds(pids[i]) - before[i]) / (wall * processors));
  }
  return shares;
}

// True once `limited` gets at least `fraction` of what `reference`, a process
// that competes for the same processors without a cap, gets in one window:
// full speed again, on a busy machine too. Tries windows until the deadline.
inline bool RunsAsFastAs(pid_t limited, pid_t reference, double fraction, std::chrono::seconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    const auto shares = MeasureShares({limited, reference}, std::chrono::milliseconds(2000));
    if (shares[1] > 0.01 && shares[0] >= fraction * shares[1]) return true;
  }
  return false;
}

}  // namespace tarvelo::testing
