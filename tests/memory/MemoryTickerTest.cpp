#include "memory/MemoryTicker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t kMB = 1048576;

// What the ticker passed on, as the window would receive it.
struct Received {
  void Add(const MemoryFigures& figures, std::uint64_t run) {
    std::lock_guard lock(mutex);
    figures_.push_back(figures);
    runs.push_back(run);
    changed.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 20s, [&] { return figures_.size() >= count; });
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return figures_.size();
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<MemoryFigures> figures_;
  std::vector<std::uint64_t> runs;
};

struct Ticker : testing::Test {
  platform::fake::FakeMemoryStatus source;
  ModuleGetMemoryState state{source};
  Received received;
  MemoryTicker ticker{state, 2ms, [this](const MemoryFigures& f, std::uint64_t run) { received.Add(f, run); }};
};

TEST_F(Ticker, PassesOnOnlyFiguresThatChanged) {
  source.status = {1024 * kMB, 512 * kMB};
  EXPECT_EQ(ticker.Start(), (MemoryFigures{1024, 512, 512, 50})) << "the first reading is the caller's at once";
  EXPECT_TRUE(ticker.IsActive());
  const int reads = source.reads;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (source.reads < reads + 10 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_GE(source.reads, reads + 10) << "the ticker does not read";
  EXPECT_EQ(received.Count(), 0u) << "the same figures again are not passed on";

  source.status = {1000 * kMB, 875 * kMB};
  ASSERT_TRUE(received.WaitFor(1));
  EXPECT_EQ(received.figures_[0], (MemoryFigures{1000, 125, 875, 12}));
  EXPECT_EQ(received.runs[0], ticker.Run());
}

TEST_F(Ticker, WatchingTheUsedRateIgnoresMegabytesMovingAlone) {
  source.status = {1000 * kMB, 500 * kMB};
  ticker.Start(MemoryTicker::Watch::UsedPercent);
  EXPECT_EQ(ticker.Watching(), MemoryTicker::Watch::UsedPercent);
  source.status = {1000 * kMB, 502 * kMB};  // 50 % still
  const int reads = source.reads;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (source.reads < reads + 10 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_GE(source.reads, reads + 10) << "the ticker does not read";
  EXPECT_EQ(received.Count(), 0u);

  source.status = {1000 * kMB, 875 * kMB};
  ASSERT_TRUE(received.WaitFor(1));
  EXPECT_EQ(received.figures_[0], (MemoryFigures{1000, 125, 875, 12})) << "all figures come with the rate";

  ticker.Start();
  EXPECT_EQ(ticker.Watching(), MemoryTicker::Watch::AllFigures) << "each start says what it watches";
}

TEST_F(Ticker, StopEndsTheReadingsAndEachStartIsANewRun) {
  source.status = {1024 * kMB, 512 * kMB};
  ticker.Start();
  const std::uint64_t first = ticker.Run();
  ticker.Stop();
  EXPECT_FALSE(ticker.IsActive());
  const int reads = source.reads;
  std::this_thread::sleep_for(20ms);  // ten periods, which must bring no reading
  EXPECT_EQ(source.reads, reads);

  source.status = {1000 * kMB, 875 * kMB};
  EXPECT_EQ(ticker.Start().freeMB, 875) << "a new start reads afresh";
  EXPECT_GT(ticker.Run(), first) << "what the earlier run passed on is out of date";
}

}  // namespace
}  // namespace tarvelo
