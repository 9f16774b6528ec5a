// One memory-figures tick (every 20 ms for the program's whole life) against
// the floor: a bare read and parse of /proc/meminfo.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "memory/ModuleGetMemoryState.h"
#include "platform/linux/system/LinuxMemoryStatus.h"

#include <QCoreApplication>

#include "app/FormTarvelo.h"
#include "platform/fake/FakePlatform.h"

namespace {

// What a plain program would do: open, read, close, and pick two numbers.
void BareMeminfoReadAndParse(benchmark::State& state) {
  char buffer[4096];
  for (auto _ : state) {
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    buffer[n > 0 ? n : 0] = '\0';
    const char* total = std::strstr(buffer, "MemTotal:");
    const char* avail = std::strstr(buffer, "MemAvailable:");
    benchmark::DoNotOptimize(total ? std::strtoull(total + 9, nullptr, 10) : 0);
    benchmark::DoNotOptimize(avail ? std::strtoull(avail + 13, nullptr, 10) : 0);
  }
}
BENCHMARK(BareMeminfoReadAndParse);

// The module's work in one tick on the real system.
void ShowMemoryState(benchmark::State& state) {
  platform::linux_impl::LinuxMemoryStatus source;
  tarvelo::ModuleGetMemoryState module(source);
  for (auto _ : state) benchmark::DoNotOptimize(module.ShowMemoryState());
}
BENCHMARK(ShowMemoryState);

// One tick of the memory ticker's thread with the real readings (nothing to
// pass on while the figures stay); and the worst case, where every tick
// changes every figure and the window updates its labels.
void MainWindowTick(benchmark::State& state, bool changeEveryTick) {
  platform::fake::FakePlatform fake;
  if (!changeEveryTick) fake.platform.memoryStatus = std::make_unique<platform::linux_impl::LinuxMemoryStatus>();
  tarvelo::FormTarvelo form(fake.platform);
  form.TimerOnTimeState->Start();  // the run whose figures the window takes
  form.TimerOnTimeState->Stop();   // the benchmark ticks it itself
  constexpr std::uint64_t kTotal = 8ull << 30;
  std::uint64_t avail = 1ull << 30;
  for (auto _ : state) {
    if (changeEveryTick) {
      avail = (avail + (3ull << 20)) % kTotal;
      fake.memory->status = {kTotal, avail};
    }
    form.TimerOnTimeState->Tick();
    QCoreApplication::sendPostedEvents(&form);
  }
}
BENCHMARK_CAPTURE(MainWindowTick, real_readings, false);
BENCHMARK_CAPTURE(MainWindowTick, every_figure_changes, true);

}  // namespace
