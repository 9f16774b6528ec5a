// One memory release pass of the program (MemoryReleaser over a snapshot of
// /proc, the Linux trimmer, the window kept answering between processes)
// against a plain C loop that trims the same processes the same way
// (pidfd_open, /proc/<pid>/maps, process_madvise MADV_PAGEOUT), alternating,
// in CPU time. The processes are the benchmark's own children, each with
// touched memory, so that the machine's other programs are left alone; every
// pass starts with their memory touched again.
//   memory_release_bench ROUNDS [CHILDREN] [MB_EACH]
// Prints per round "<release ns> <plain loop ns> <processes>".
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "CpuClock.h"
#include "SleepingChildren.h"
#include "memory/MemoryRelease.h"
#include "platform/linux/processes/LinuxProcessTable.h"
#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"

#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif

namespace {

// The system's process table, narrowed to the benchmark's children.
class ChildrenTable final : public platform::ProcessTable {
 public:
  explicit ChildrenTable(const std::vector<pid_t>& pids) : pids_(pids.begin(), pids.end()) {}
  std::vector<platform::ProcessEntry> Snapshot() override {
    std::vector<platform::ProcessEntry> entries = system_.Snapshot();
    std::erase_if(entries, [&](const platform::ProcessEntry& e) { return !pids_.count(static_cast<pid_t>(e.pid)); });
    return entries;
  }
  std::vector<std::string> Modules(platform::ProcessId pid) override { return system_.Modules(pid); }

 private:
  platform::linux_impl::LinuxProcessTable system_;
  std::set<pid_t> pids_;
};

// The plain loop: what any program has to do to page a process out.
void PlainTrim(pid_t pid) {
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd < 0) return;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/maps", pid);
  FILE* maps = std::fopen(path, "r");
  if (maps == nullptr) {
    close(pidfd);
    return;
  }
  std::vector<iovec> ranges;
  char line[4096];
  while (std::fgets(line, sizeof line, maps) != nullptr) {
    unsigned long start = 0, end = 0;
    if (std::sscanf(line, "%lx-%lx", &start, &end) != 2 || end <= start) continue;
    if (std::strstr(line, " [v") != nullptr || std::strstr(line, " [uprobes]") != nullptr) continue;
    ranges.push_back({reinterpret_cast<void*>(start), end - start});
  }
  std::fclose(maps);
  for (std::size_t next = 0; next < ranges.size();) {
    const std::size_t count = std::min<std::size_t>(IOV_MAX, ranges.size() - next);
    const long advised = syscall(SYS_process_madvise, pidfd, &ranges[next], count, MADV_PAGEOUT, 0);
    next += advised < 0 ? 1 : count;
  }
  close(pidfd);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s ROUNDS [CHILDREN] [MB_EACH]\n", argv[0]);
    return 2;
  }
  const int rounds = std::atoi(argv[1]);
  const int count = argc > 2 ? std::atoi(argv[2]) : 50;
  const std::size_t bytes = static_cast<std::size_t>(argc > 3 ? std::atoi(argv[3]) : 4) << 20;
  SleepingChildren children(count, bytes);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  ChildrenTable table(children.Pids());
  platform::linux_impl::LinuxWorkingSetTrimmer trimmer;
  // The main window's yield: events handled between processes.
  tarvelo::MemoryReleaser releaser(table, trimmer, [] {
    QCoreApplication::processEvents();
    return true;
  });
  auto release = [&] {
    children.Touch();
    const std::int64_t t0 = ProcessCpuNs();
    releaser.Release();
    return ProcessCpuNs() - t0;
  };
  auto plain = [&] {
    children.Touch();
    const std::int64_t t0 = ProcessCpuNs();
    for (pid_t pid : children.Pids()) PlainTrim(pid);
    return ProcessCpuNs() - t0;
  };
  for (int round = 0; round < rounds; ++round) {
    std::int64_t ours = 0, base = 0;
    if (round % 2 == 0) {
      ours = release();
      base = plain();
    } else {
      base = plain();
      ours = release();
    }
    std::printf("%lld %lld %zu\n", static_cast<long long>(ours), static_cast<long long>(base),
                children.Pids().size());
  }
  return 0;
}
