#include "boost/FasterFigure.h"

#include <algorithm>
#include <cmath>

namespace tarvelo {

int FasterPercent(const FasterSample& before, const FasterSample& after) {
  if (after.atNs <= before.atNs || !before.stallUs || !after.stallUs || *after.stallUs < *before.stallUs) return 0;
  const double wallUs = static_cast<double>(after.atNs - before.atNs) / 1000.0;
  const double machineShare = std::min(1.0, static_cast<double>(*after.stallUs - *before.stallUs) / wallUs);
  if (machineShare < FasterFigure::kNoPressureShare) return 0;

  // Threads started in the window count from zero; those that ended in it are
  // lost with their times; a thread id reused meanwhile is passed over.
  std::uint64_t run = 0;
  std::uint64_t wait = 0;
  for (const auto& [tid, now] : after.threads) {
    const auto it = before.threads.find(tid);
    const platform::SchedulerStats::ThreadTimes then = it != before.threads.end() ? it->second
                                                                                  : platform::SchedulerStats::ThreadTimes{};
    if (now.runNs < then.runNs || now.waitNs < then.waitNs) continue;
    run += now.runNs - then.runNs;
    wait += now.waitNs - then.waitNs;
  }
  if (run + wait == 0) return 0;  // it never wanted a processor
  const double processShare = static_cast<double>(wait) / static_cast<double>(run + wait);
  const double percent = 100.0 * (1.0 - processShare / machineShare);
  return static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0)));
}

std::optional<FasterSample> FasterFigure::Sample(platform::ProcessId pid) {
  auto threads = stats_->TimesOf(pid);
  if (!threads) return std::nullopt;
  FasterSample sample;
  sample.threads = std::move(*threads);
  sample.stallUs = stats_->CpuSomeStallUs();
  sample.atNs = stats_->NowNs();
  return sample;
}

void FasterFigure::Start(platform::ProcessId pid) {
  pending_.reset();
  if (stats_ == nullptr || pid == 0) return;
  if (auto start = Sample(pid)) pending_ = Pending{pid, std::move(*start)};
}

std::optional<std::string> FasterFigure::Poll() {
  if (!pending_ || stats_->NowNs() - pending_->start.atNs < kWindowNs) return std::nullopt;
  const Pending pending = std::move(*pending_);
  pending_.reset();
  const auto end = Sample(pending.pid);
  if (!end) return std::nullopt;  // the process ended
  return std::to_string(FasterPercent(pending.start, *end)) + "%";
}

}  // namespace tarvelo
