// One full fill of the CPU page's process list on the real system, icons
// included, with the icon registry read afresh (cold) and already read (warm).
// bench/run.sh sets it next to `ps -e -o pid,comm` over the same processes.
#include <benchmark/benchmark.h>


#include "cpulimit/ModuleGetFileIcon.h"
#include "cpulimit/ProcessList.h"
#include "platform/linux/LinuxFileIcons.h"
#include "platform/linux/LinuxProcessTable.h"

namespace {

void Fill(platform::ProcessTable& table, platform::FileIcons& icons) {
  for (const tarvelo::ProcessRow& row : tarvelo::LoadProcessList(table)) {
    benchmark::DoNotOptimize(tarvelo::ModuleGetFileIcon::GetFileIcon(icons, row.path, true).pixmap(16));
  }
}

void LoadProcessListCold(benchmark::State& state) {
  platform::linux_impl::LinuxProcessTable table;
  for (auto _ : state) {
    platform::linux_impl::LinuxFileIcons icons;
    Fill(table, icons);
  }
  state.counters["rows"] = static_cast<double>(tarvelo::LoadProcessList(table).size());
}
BENCHMARK(LoadProcessListCold)->Unit(benchmark::kMillisecond);

void LoadProcessListWarm(benchmark::State& state) {
  platform::linux_impl::LinuxProcessTable table;
  platform::linux_impl::LinuxFileIcons icons;
  Fill(table, icons);
  for (auto _ : state) Fill(table, icons);
}
BENCHMARK(LoadProcessListWarm)->Unit(benchmark::kMillisecond);

}  // namespace
