// The "Whole system faster:" figure from scheduler readings.
#include "boost/FasterFigure.h"

#include <gtest/gtest.h>

namespace tarvelo {
namespace {

using Times = platform::SchedulerStats::ThreadTimes;
constexpr std::uint64_t kSecond = 1'000'000'000;  // ns

// Two samples two seconds apart: the machine stalled stallMs of them, the
// process's one thread ran runMs and waited waitMs.
int Figure(std::uint64_t stallMs, std::uint64_t runMs, std::uint64_t waitMs) {
  const FasterSample before{kSecond, 7'000, {{10, {5 * kSecond, 3 * kSecond}}}};
  const FasterSample after{3 * kSecond,
                           7'000 + stallMs * 1000,
                           {{10, {5 * kSecond + runMs * 1'000'000, 3 * kSecond + waitMs * 1'000'000}}}};
  return FasterPercent(before, after);
}

TEST(FasterPercent, WaitOfTheProcessAgainstTheMachinesStall) {
  const struct {
    const char* what;
    std::uint64_t stallMs, runMs, waitMs;
    int figure;
  } cases[] = {
      {"no pressure at all", 0, 1500, 300, 0},
      {"pressure below 1 % of the window", 19, 1500, 0, 0},
      {"far less waiting than the machine", 1600, 1900, 10, 99},
      {"no waiting while the machine stalled", 1000, 1000, 0, 100},
      {"half the machine's share", 1000, 750, 250, 50},
      {"as much as the machine", 1000, 500, 500, 0},
      {"more than the machine: never below 0", 200, 100, 900, 0},
      {"never wanted a processor", 1500, 0, 0, 0},
      {"a stall share above one (rounding of the clocks) counts as one", 2100, 1000, 0, 100},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Figure(c.stallMs, c.runMs, c.waitMs), c.figure) << c.what;
  }
}

TEST(FasterPercent, ThreadsThatComeGoOrAreReused) {
  const FasterSample before{kSecond, 0, {{10, {kSecond, kSecond}}, {11, {kSecond, kSecond}}, {12, {kSecond, kSecond}}}};
  FasterSample after{3 * kSecond, 1'000'000, {}};
  after.threads[10] = {kSecond + 800'000'000, kSecond};  // ran 0.8 s without waiting
  after.threads[13] = {600'000'000, 600'000'000};         // started meanwhile: all its time is in the window
  after.threads[12] = {1000, 1000};                        // the id of an ended thread, reused: passed over
  // 11 ended: its times are lost. Wait 0.6 of 2.0 runnable s against a stall share of 0.5.
  EXPECT_EQ(FasterPercent(before, after), 40);
}

TEST(FasterPercent, NoPressureAccountingOrClocksGoingBackGiveZero) {
  const FasterSample before{kSecond, std::nullopt, {{10, {}}}};
  const FasterSample after{3 * kSecond, std::nullopt, {{10, {kSecond, 0}}}};
  EXPECT_EQ(FasterPercent(before, after), 0);
  EXPECT_EQ(FasterPercent({kSecond, 500, {}}, {3 * kSecond, 400, {{10, {kSecond, 0}}}}), 0);
  EXPECT_EQ(FasterPercent({kSecond, 0, {}}, {kSecond, 400, {{10, {kSecond, 0}}}}), 0);
}

}  // namespace
}  // namespace tarvelo

#ifdef __linux__
#include <filesystem>
#include <fstream>

#include "platform/linux/limits/LinuxSchedulerStats.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

// The Linux readers on a fixture tree, with a clock the test moves.
class FixtureStats final : public platform::SchedulerStats {
 public:
  explicit FixtureStats(const std::string& root) : files_(root) {}
  std::uint64_t NowNs() override { return now; }
  std::optional<ProcessTimes> TimesOf(platform::ProcessId pid) override { return files_.TimesOf(pid); }
  std::optional<std::uint64_t> CpuSomeStallUs() override { return files_.CpuSomeStallUs(); }
  std::uint64_t now = kSecond;

 private:
  platform::linux_impl::LinuxSchedulerStats files_;
};

class FasterFigureFiles : public ::testing::Test {
 protected:
  testing::TempDir root;
  FixtureStats stats{root.Path()};
  FasterFigure figure{&stats};

  void Write(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(root.File(name)).parent_path());
    std::ofstream(root.File(name)) << text;
  }
  void Pressure(std::uint64_t totalUs) {
    Write("pressure/cpu", "some avg10=0.00 avg60=0.00 avg300=0.00 total=" + std::to_string(totalUs) +
                              "\nfull avg10=0.00 avg60=0.00 avg300=0.00 total=0\n");
  }
};

TEST_F(FasterFigureFiles, FromSchedstatAndPressureFiles) {
  const struct {
    const char* what;
    std::uint64_t stallUs;           // in the two seconds
    const char* mainAfter;           // thread 50's schedstat at the end
    const char* secondAfter;         // thread 51's, or nullptr when it ended
    std::optional<std::string> shown;
  } cases[] = {
      {"no pressure", 0, "900000000 0 5", "100 100 1", "0%"},
      {"far less waiting than the machine", 1'800'000, "1800000000 20000000 9", "100 100 1", "99%"},
      {"more waiting than the machine", 100'000, "200000000 800000000 9", "100 100 1", "0%"},
      {"a thread ends in the window", 1'000'000, "900000000 0 9", nullptr, "100%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(root.File("50"));
    Write("50/task/50/schedstat", "0 0 0\n");
    Write("50/task/51/schedstat", "100 100 1\n");
    Pressure(10'000);
    figure.Start(50);
    ASSERT_TRUE(figure.Measuring());
    Write("50/task/50/schedstat", c.mainAfter);
    if (c.secondAfter) {
      Write("50/task/51/schedstat", c.secondAfter);
    } else {
      std::filesystem::remove_all(root.File("50/task/51"));
    }
    Pressure(10'000 + c.stallUs);
    stats.now += FasterFigure::kWindowNs;
    EXPECT_EQ(figure.Poll(), c.shown);
  }
}

TEST_F(FasterFigureFiles, AProcessThatEndsInTheWindowGivesNoFigure) {
  Write("60/task/60/schedstat", "0 0 0\n");
  Pressure(0);
  figure.Start(60);
  std::filesystem::remove_all(root.File("60"));
  Pressure(1'000'000);
  stats.now += FasterFigure::kWindowNs;
  EXPECT_FALSE(figure.Poll());
  EXPECT_FALSE(figure.Measuring());
}

}  // namespace
}  // namespace tarvelo
#endif
