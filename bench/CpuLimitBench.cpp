// CPU limits on the real system: applying and lifting one limit, and one
// "Refresh" of the CPU page with three limits set next to the same Refresh
// without limits. Needs a way to cap processes here (root with the cpu cgroup
// controller, or a systemd desktop); bench/run.sh prints the ratio.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <memory>

#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuPage.h"
#include "platform/fake/FakePlatform.h"
#include "platform/linux/limits/LinuxCpuLimiter.h"
#include "platform/linux/processes/LinuxProcessTable.h"

namespace {

// A sleeping child to limit; ended with the object.
class Sleeper {
 public:
  Sleeper() : pid_(::fork()) {
    if (pid_ == 0) {
      for (;;) ::pause();
    }
  }
  ~Sleeper() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  Sleeper(const Sleeper&) = delete;
  Sleeper& operator=(const Sleeper&) = delete;
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_;
};

void ApplyAndLift(benchmark::State& state) {
  const auto limiter = platform::linux_impl::CreateLinuxCpuLimiter();
  if (!limiter->Available()) {
    state.SkipWithError("no way to cap processes here");
    return;
  }
  Sleeper child;
  const auto pid = static_cast<platform::ProcessId>(child.Pid());
  for (auto _ : state) {
    if (limiter->Apply(pid, 20) != platform::CpuLimitError::None || !limiter->Lift(pid)) {
      state.SkipWithError("the limit was refused");
      break;
    }
  }
  // Every run reports the same counters, which the CSV output needs.
  state.counters["limits"] = 1;
}
BENCHMARK(ApplyAndLift)->Unit(benchmark::kMicrosecond);

// The CPU page's Refresh: a fresh list of the real processes (icons from a
// fake, the same for both), then the limits reconciled with it.
void Refresh(benchmark::State& state, int limits) {
  platform::fake::FakePlatform fake;
  platform::linux_impl::LinuxProcessTable table;
  const auto limiter = platform::linux_impl::CreateLinuxCpuLimiter();
  if (limits > 0 && !limiter->Available()) {
    state.SkipWithError("no way to cap processes here");
    return;
  }
  tarvelo::CpuLimitSlots slotTable;
  tarvelo::CpuLimitControl control(slotTable, limiter.get());
  // The same three processes in both lists; limited or not.
  std::array<Sleeper, 3> children;
  for (int i = 0; i < limits; ++i) {
    if (control.Limit(children[static_cast<std::size_t>(i)].Pid(), "/bench", 50) != platform::CpuLimitError::None) {
      state.SkipWithError("the limit was refused");
      return;
    }
  }
  tarvelo::CpuPage page(nullptr, 7200, 5760, table, *fake.icons, control, [](QDialog*) {});
  for (auto _ : state) page.Refresh();
  state.counters["limits"] = slotTable.CountInUse();
  control.LiftAll();
}
BENCHMARK_CAPTURE(Refresh, no_limits, 0)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Refresh, three_limits, 3)->Unit(benchmark::kMillisecond);

}  // namespace
