// One full memory release over every process on the machine against the
// floor (opening and closing a pidfd per process), and the cost of the
// automatic-release tick when nothing is due.
#include <benchmark/benchmark.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QTimer>

#include "app/FormTarvelo.h"
#include "memory/MemoryRelease.h"
#include "platform/fake/FakePlatform.h"
#include "platform/linux/LinuxMemoryStatus.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxWorkingSetTrimmer.h"

namespace {

void PidfdOpenClosePerProcess(benchmark::State& state) {
  platform::linux_impl::LinuxProcessTable table;
  const auto processes = table.Snapshot();
  for (auto _ : state) {
    for (const auto& p : table.Snapshot()) {
      const long fd = ::syscall(SYS_pidfd_open, static_cast<pid_t>(p.pid), 0);
      if (fd >= 0) ::close(static_cast<int>(fd));
    }
  }
  state.counters["processes"] = static_cast<double>(processes.size());
}
BENCHMARK(PidfdOpenClosePerProcess)->Unit(benchmark::kMillisecond)->Iterations(5);

void FullRelease(benchmark::State& state) {
  platform::linux_impl::LinuxProcessTable table;
  platform::linux_impl::LinuxWorkingSetTrimmer trimmer;
  tarvelo::MemoryReleaser releaser(table, trimmer, [] { return true; });
  for (auto _ : state) benchmark::DoNotOptimize(releaser.Release().releasedMB);
}
BENCHMARK(FullRelease)->Unit(benchmark::kMillisecond)->Iterations(5);

// The main window's TimerMemory tick with the automatic release switched off.
void TimerMemoryTickNothingDue(benchmark::State& state) {
  platform::fake::FakePlatform fake;
  tarvelo::FormTarvelo form(fake.platform);
  form.Load();
  form.TimerMemory->stop();
  for (auto _ : state) QMetaObject::invokeMethod(form.TimerMemory, "timeout", Qt::DirectConnection);
}
BENCHMARK(TimerMemoryTickNothingDue);

}  // namespace
