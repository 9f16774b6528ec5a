// One second of the Status page's resource diagram, a sample and a redraw of
// the 417 x 57 control, against the floor: reading the three /proc files a
// sample needs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "monitor/CpuMonitorModel.h"
#include "platform/linux/system/LinuxCpuTimes.h"
#include "platform/linux/system/LinuxDiskSpace.h"
#include "platform/linux/system/LinuxSystemMemory.h"

namespace {

using namespace tarvelo::monitor;

// What a plain program would do: open, read and close each file.
void BareProcFilesRead(benchmark::State& state) {
  static char buffer[65536];
  for (auto _ : state) {
    for (const char* path : {"/proc/stat", "/proc/meminfo", "/proc/self/statm"}) {
      const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
      benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
      ::close(fd);
    }
  }
}
BENCHMARK(BareProcFilesRead);

class QuietHost final : public CpuMonitorHost {
 public:
  bool SetTimerInterval(int) override { return true; }
  void SetTimerEnabled(bool) override {}
  void RaisePropertyChanged(std::string_view) override {}
  void Present() override {}
  void RaiseUpdate(const SystemLevelsReport& levels) override { benchmark::DoNotOptimize(levels); }
};

// The real processor reading, its clock moved on by a second each time as
// the timer would, so that the CPU curve is as smooth as the real one.
class PacedCpuTimes final : public platform::CpuTimesSource {
 public:
  std::optional<platform::CpuTimes> Read() override {
    auto times = real_.Read();
    if (times) times->systemTime = (++readings_) * 10'000'000;
    return times;
  }

 private:
  platform::linux_impl::LinuxCpuTimes real_;
  std::int64_t readings_ = 0;
};

// TakeSample and RedrawDiagram on the real system, with the Status page's
// configuration (five line curves across the whole width and the grid). With
// paced readings the curves are steady, as at one sample a second; without,
// samples microseconds apart make the CPU curve jump from edge to edge on
// every column, the dearest picture there is.
template <bool kPaced>
void TakeSampleAndRedraw(benchmark::State& state) {
  PacedCpuTimes paced;
  platform::linux_impl::LinuxCpuTimes unpaced;
  platform::linux_impl::LinuxSystemMemory memory;
  platform::linux_impl::LinuxDiskSpace disk;
  QuietHost host;
  platform::CpuTimesSource* cpu = kPaced ? static_cast<platform::CpuTimesSource*>(&paced) : &unpaced;
  CpuMonitorModel model(MonitorPlatform{.cpuTimes = cpu, .memory = &memory, .disk = &disk}, host, true);
  model.Resize(417, 57);
  model.ReadProperties({{"BackColor", std::int64_t{4210752}},
                        {"Appearance", std::int64_t{0}},
                        {"DisplayGridColor", std::int64_t{8438015}},
                        {"HDDriveLetter", std::string("C:\\")}});
  for (int i = 0; i < 420; ++i) model.TakeSample();  // a full history
  for (auto _ : state) {
    model.TakeSample();
    model.RedrawDiagram();
    benchmark::DoNotOptimize(model.Surface().Pixels().data());
  }
}
BENCHMARK_TEMPLATE(TakeSampleAndRedraw, true)->Name("TakeSampleAndRedraw");
BENCHMARK_TEMPLATE(TakeSampleAndRedraw, false)->Name("TakeSampleAndRedraw_jumpingCurve");

}  // namespace

BENCHMARK_MAIN();
