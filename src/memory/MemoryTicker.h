#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>

#include "memory/ModuleGetMemoryState.h"

namespace tarvelo {

// The 20 ms memory tick on a thread of its own. While active it takes a fresh
// reading every period (ShowMemoryState) and passes the figures on only when
// they differ from the last ones passed on, so the window's event loop wakes
// when a label has to change rather than fifty times a second: a bare thread's
// wake-up costs a fraction of one of the event loop's.
class MemoryTicker {
 public:
  // Called on the ticker's thread with the new figures and the run they
  // belong to (see Run()).
  using Changed = std::function<void(const MemoryFigures& figures, std::uint64_t run)>;

  // Which figures count: a page that shows only the used rate needs no
  // wake-up when only the megabytes move.
  enum class Watch { AllFigures, UsedPercent };

  MemoryTicker(ModuleGetMemoryState& state, std::chrono::milliseconds period, Changed changed);
  ~MemoryTicker();
  MemoryTicker(const MemoryTicker&) = delete;
  MemoryTicker& operator=(const MemoryTicker&) = delete;

  // Takes a reading at once on the calling thread and returns it, then ticks
  // every period from now on (a running ticker starts over), passing on the
  // figures whenever the watched ones change.
  MemoryFigures Start(Watch watch = Watch::AllFigures);
  Watch Watching() const { return watch_; }
  // Stops the ticks; returns once no tick runs any more.
  void Stop();
  bool IsActive() const { return thread_.joinable(); }
  std::chrono::milliseconds Interval() const { return period_; }

  // Counts the starts. Figures passed on for an earlier run are out of date:
  // a newer reading has been shown since.
  std::uint64_t Run() const { return run_.load(); }

  // One tick, as the thread runs it.
  void Tick();

 private:
  void Loop(const std::stop_token& stop);

  ModuleGetMemoryState& state_;
  const std::chrono::milliseconds period_;
  Changed changed_;
  Watch watch_ = Watch::AllFigures;  // set before the thread starts
  MemoryFigures passedOn_;  // the ticker thread's own while it runs
  std::atomic<std::uint64_t> run_{0};
  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::jthread thread_;
};

}  // namespace tarvelo
