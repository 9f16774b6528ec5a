#include "memory/MemoryRelease.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

constexpr std::uint64_t kMB = 1048576;

// The ticks (1-based) at which releases happen when the clock runs `ticks`
// ticks with the interval text and switch that `at` gives for each tick.
std::vector<int> ReleaseTicks(int ticks, const std::function<std::pair<std::string, bool>(int)>& at) {
  AutoReleaseClock clock;
  std::vector<int> releases;
  for (int tick = 1; tick <= ticks; ++tick) {
    const auto [interval, enabled] = at(tick);
    if (clock.Tick(interval, enabled)) releases.push_back(tick);
  }
  return releases;
}

TEST(AutoReleaseClock, ReleasesWhenTheCountReachesTheInterval) {
  const struct {
    const char* what;
    int ticks;
    std::function<std::pair<std::string, bool>(int)> at;
    std::vector<int> releases;
  } cases[] = {
      {"1 minute from the start: 60, then every 59", 180, [](int) { return std::pair{std::string("1 minute"), true}; },
       {60, 119, 178}},
      {"switched on after the interval passed: the next tick", 500,
       [](int t) { return std::pair{std::string("3 minute"), t > 300}; }, {301, 480}},
      {"a new interval does not reset the count", 80,
       [](int t) { return std::pair{std::string(t < 70 ? "10 minute" : "1 minute"), true}; }, {70}},
      {"an unknown interval releases on every tick", 3, [](int) { return std::pair{std::string("2 minute"), true}; },
       {1, 2, 3}},
      {"the empty text too", 2, [](int) { return std::pair{std::string(), true}; }, {1, 2}},
      {"never while switched off", 700, [](int) { return std::pair{std::string("1 minute"), false}; }, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReleaseTicks(c.ticks, c.at), c.releases) << c.what;
}

TEST(AutoReleaseClock, CountKeepsGrowingWhileSwitchedOff) {
  AutoReleaseClock clock;
  for (int i = 0; i < 1000; ++i) clock.Tick("5 minute", false);
  EXPECT_EQ(clock.AutoReleaseTicks(), 1000);
  EXPECT_TRUE(clock.Tick("5 minute", true));
  EXPECT_EQ(clock.AutoReleaseTicks(), 1);
}

TEST(ReleaseTexts, FigureAsItIs) {
  EXPECT_EQ(ReleaseEventText(37), "37 MB memory released.");
  EXPECT_EQ(ReleaseEventText(0), "0 MB memory released.");
  EXPECT_EQ(ReleaseEventText(-3), "-3 MB memory released.");
  EXPECT_EQ(ReleaseMessageText(37), "Success! 37 MB memory released.");
  EXPECT_EQ(ReleaseMessageText(-3), "Success! -3 MB memory released.");
  EXPECT_EQ(IntervalTicks("10 minute"), 600);
  EXPECT_EQ(IntervalTicks("10 Minute"), 0);
}

class MemoryReleaserTest : public ::testing::Test {
 protected:
  MemoryReleaserTest() {
    fake.processes->processes = {{1, "init"}, {20, "tarvelo"}, {33, "editor"}};
    fake.memory->status = {4096 * kMB, 1024 * kMB};  // 3072 MB used
  }
  MemoryReleaser Releaser(MemoryReleaser::Yield yield) {
    return MemoryReleaser(*fake.processes, *fake.trimmer, std::move(yield));
  }

  platform::fake::FakePlatform fake;
};

TEST_F(MemoryReleaserTest, TrimsEveryProcessYieldingTwiceForEach) {
  int yields = 0;
  std::vector<int> yieldsAtTrim;
  fake.trimmer->onTrim = [&](platform::ProcessId) { yieldsAtTrim.push_back(yields); };
  Releaser([&] { return ++yields, true; }).DoAllMiniUseMemory();
  EXPECT_EQ(fake.trimmer->trimmed, (std::vector<platform::ProcessId>{1, 20, 33}));
  EXPECT_EQ(yieldsAtTrim, (std::vector<int>{1, 3, 5}));  // one yield before and one after each
  EXPECT_EQ(yields, 6);
}

TEST_F(MemoryReleaserTest, ReleasedIsTheSumOfEachTrimmedProcesssOwnDrop) {
  fake.trimmer->resident = {{1, 10 * kMB}, {20, 300 * kMB}, {33, 900 * kMB}};
  fake.trimmer->onTrim = [&](platform::ProcessId pid) {
    if (pid == 1) fake.trimmer->resident[1] += 2 * kMB;  // grew meanwhile: adds nothing, takes nothing
    if (pid == 20) fake.trimmer->resident[20] -= 100 * kMB + 512 * 1024;
    if (pid == 33) fake.trimmer->resident.erase(33);  // ended during its trim: passed over
    // Other programs' memory moving meanwhile does not count.
    const platform::MemoryStatus before = fake.memory->status;
    fake.memory->status = {before.totalPhys, before.availPhys - 700 * kMB};
  };
  const ReleaseResult result = Releaser([] { return true; }).Release();
  EXPECT_EQ(result.releasedMB, 100) << "100.5 MB, truncated like every figure";
  EXPECT_FALSE(result.onlyOwnProcess);

  // Drops below one MB in each process still add up.
  fake.trimmer->resident = {{1, 10 * kMB}, {20, 10 * kMB}, {33, 10 * kMB}};
  fake.trimmer->onTrim = [&](platform::ProcessId pid) { fake.trimmer->resident[pid] -= kMB / 2; };
  EXPECT_EQ(Releaser([] { return true; }).Release().releasedMB, 1);

  // A process the trim did not reach adds nothing, whatever its memory did.
  fake.trimmer->resident = {{1, 10 * kMB}, {20, 10 * kMB}, {33, 10 * kMB}};
  fake.trimmer->onTrim = [&](platform::ProcessId pid) { fake.trimmer->resident[pid] -= 5 * kMB; };
  fake.trimmer->refused = {20};
  EXPECT_EQ(Releaser([] { return true; }).Release().releasedMB, 10);
  fake.trimmer->refused.clear();

  // Nothing to trim, or nothing that moved: 0, never below.
  fake.trimmer->onTrim = [&](platform::ProcessId pid) { fake.trimmer->resident[pid] += kMB; };
  EXPECT_EQ(Releaser([] { return true; }).Release().releasedMB, 0);
  fake.processes->processes.clear();
  EXPECT_EQ(Releaser([] { return true; }).Release().releasedMB, 0);
}

TEST_F(MemoryReleaserTest, WhetherSwapWasFreeComesWithTheResult) {
  fake.trimmer->swapFree = false;
  EXPECT_EQ(Releaser([] { return true; }).Release().swapFree, false);
}

TEST_F(MemoryReleaserTest, ARightOnlyForItselfIsReported) {
  fake.trimmer->mayTrimOthers = false;
  EXPECT_TRUE(Releaser([] { return true; }).Release().onlyOwnProcess);
}

TEST(ReleaseMessages, SuccessWhenOthersCouldBeTrimmedElseWhatWouldHelp) {
  const ReleaseMessage trimmed = ReleaseMessageOf({37, false, {}}, true);
  EXPECT_EQ(trimmed.text, "Success! 37 MB memory released.");
  EXPECT_FALSE(trimmed.warning);
  EXPECT_FALSE(trimmed.offerAllow);
  // Nothing released is no success: it says so, and the likely reason.
  const ReleaseMessage noSwap = ReleaseMessageOf({0, false, false}, false);
  EXPECT_TRUE(noSwap.warning);
  EXPECT_EQ(noSwap.text.find("Success!"), std::string::npos) << noSwap.text;
  EXPECT_EQ(noSwap.text.rfind("No memory could be released. ", 0), 0u) << noSwap.text;
  EXPECT_NE(noSwap.text.find("no free swap space"), std::string::npos) << noSwap.text;
  for (const std::optional<bool> swap : {std::optional<bool>(true), std::optional<bool>()}) {
    const ReleaseMessage nothing = ReleaseMessageOf({0, false, swap}, false);
    EXPECT_EQ(nothing.text.rfind("No memory could be released. ", 0), 0u) << nothing.text;
    EXPECT_EQ(nothing.text.find("swap"), std::string::npos) << nothing.text;
  }

  const ReleaseMessage grantable = ReleaseMessageOf({3, true, {}}, true);
  EXPECT_TRUE(grantable.warning);
  EXPECT_TRUE(grantable.offerAllow);
  EXPECT_EQ(grantable.text.find("Success!"), std::string::npos);
  EXPECT_NE(grantable.text.find("only its own memory (3 MB)"), std::string::npos) << grantable.text;
  EXPECT_NE(grantable.text.find("\"Allow\u2026\""), std::string::npos) << grantable.text;

  const ReleaseMessage install = ReleaseMessageOf({0, true, {}}, false);
  EXPECT_TRUE(install.warning);
  EXPECT_FALSE(install.offerAllow);
  EXPECT_EQ(install.text.find("Allow"), std::string::npos) << install.text;
  EXPECT_NE(install.text.find("tarvelo-priv"), std::string::npos) << install.text;
  EXPECT_NE(install.text.find("as root"), std::string::npos) << install.text;

  // Where nothing can be granted from here: the command an administrator can run.
  const char* const setcap = "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv";
  const ReleaseMessage byHand = ReleaseMessageOf({2, true, {}}, false, setcap);
  EXPECT_FALSE(byHand.offerAllow);
  EXPECT_EQ(byHand.text,
            "Tarvelo released only its own memory (2 MB): releasing the memory of your other programs needs the right "
            "CAP_SYS_NICE, which Tarvelo's helper does not have. Run Tarvelo as root, or have an administrator run:\n" +
                std::string(setcap));
}

TEST_F(MemoryReleaserTest, AReleaseStartedInsideAnotherRunsWholeAndFinishesFirst) {
  std::vector<std::string> log;
  bool nestedStarted = false;
  std::function<bool()> yield;
  MemoryReleaser releaser = Releaser([&] { return yield(); });
  yield = [&] {
    // While the outer release trims its first process, a second one starts
    // (a click or a due timer) and the process table changes under both.
    if (!nestedStarted && !fake.trimmer->trimmed.empty()) {
      nestedStarted = true;
      fake.processes->processes.push_back({44, "late"});
      log.push_back("inner " + std::to_string(releaser.Release().releasedMB));
    }
    return true;
  };
  fake.trimmer->resident = {{1, 100 * kMB}, {20, 100 * kMB}, {33, 100 * kMB}, {44, 100 * kMB}};
  fake.trimmer->onTrim = [&](platform::ProcessId pid) { fake.trimmer->resident[pid] -= kMB; };
  log.push_back("outer " + std::to_string(releaser.Release().releasedMB));

  // Each counts the trims it made itself.
  EXPECT_EQ(log, (std::vector<std::string>{"inner 4", "outer 3"}));
  // The outer release went on with its own snapshot after the inner one.
  EXPECT_EQ(fake.trimmer->trimmed, (std::vector<platform::ProcessId>{1, 1, 20, 33, 44, 20, 33}));
}

TEST_F(MemoryReleaserTest, StopsWhenTheProgramEnds) {
  int yields = 0;
  Releaser([&] { return ++yields < 3; }).DoAllMiniUseMemory();
  EXPECT_EQ(fake.trimmer->trimmed, (std::vector<platform::ProcessId>{1}));
}

}  // namespace
}  // namespace tarvelo
