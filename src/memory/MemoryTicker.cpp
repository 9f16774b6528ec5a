#include "memory/MemoryTicker.h"

#include <utility>

namespace tarvelo {

MemoryTicker::MemoryTicker(ModuleGetMemoryState& state, std::chrono::milliseconds period, Changed changed)
    : state_(state), period_(period), changed_(std::move(changed)) {}

MemoryTicker::~MemoryTicker() { Stop(); }

MemoryFigures MemoryTicker::Start(Watch watch) {
  Stop();
  watch_ = watch;
  passedOn_ = state_.ShowMemoryState();
  ++run_;
  thread_ = std::jthread([this](const std::stop_token& stop) { Loop(stop); });
  return passedOn_;
}

void MemoryTicker::Stop() {
  if (!IsActive()) return;
  thread_.request_stop();
  thread_.join();
  thread_ = std::jthread();
}

void MemoryTicker::Tick() {
  const MemoryFigures& figures = state_.ShowMemoryState();
  if (watch_ == Watch::UsedPercent ? figures.usedPercent == passedOn_.usedPercent : figures == passedOn_) return;
  passedOn_ = figures;
  if (changed_) changed_(figures, run_.load());
}

void MemoryTicker::Loop(const std::stop_token& stop) {
  using Clock = std::chrono::steady_clock;
  auto next = Clock::now() + period_;
  std::unique_lock lock(mutex_);
  // Wakes at each period's end, or at once when asked to stop.
  while (!wake_.wait_until(lock, stop, next, [] { return false; }) && !stop.stop_requested()) {
    Tick();
    next += period_;
    // After a suspend or a long stall, go on from now rather than catch up.
    if (const auto now = Clock::now(); next < now) next = now + period_;
  }
}

}  // namespace tarvelo
