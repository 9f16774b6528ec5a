// The booster tick against a fake desktop and a fake process table.
#include "boost/ForegroundBooster.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

using platform::PriorityClass;
using platform::ProcessId;
using platform::WindowHandle;
using Change = std::pair<ProcessId, PriorityClass>;
using Changes = std::vector<Change>;

constexpr PriorityClass kNormal = PriorityClass::Normal;
constexpr PriorityClass kAbove = PriorityClass::AboveNormal;
constexpr PriorityClass kHigh = PriorityClass::High;
constexpr std::string_view kAboveText = "Above Normal";
constexpr std::string_view kHighText = "High";

class BoosterTest : public ::testing::Test {
 protected:
  platform::fake::FakePlatform fake;
  ProcessId self = fake.priorities->self;
  platform::fake::FakeUnitWeights& units = *fake.unitWeights;
  platform::fake::FakeSchedulerStats& stats = *fake.schedulerStats;
  ForegroundBooster booster{*fake.windows, *fake.priorities, &units, &stats};

  // A window of its own process; the process starts at Normal.
  void AddWindow(WindowHandle window, std::string title, ProcessId pid) {
    fake.windows->windows[window] = {std::move(title), pid};
    if (pid != 0) fake.priorities->classes[pid] = kNormal;
  }
  std::optional<Boost> TickWith(WindowHandle front, bool enabled = true, std::string_view speed = kAboveText) {
    fake.windows->front = front;
    fake.priorities->changes.clear();
    units.sets.clear();
    return booster.Tick(enabled, speed);
  }
  // A user manager whose units hold the processes; this program in a unit of its own.
  void UseUnits() {
    units.available = true;
    units.units[self] = "app-tarvelo.scope";
    units.weights["app-tarvelo.scope"] = platform::UnitWeights::kUnset;
  }
  void AddUnit(ProcessId pid, const std::string& unit, std::uint64_t weight = platform::UnitWeights::kUnset) {
    units.units[pid] = unit;
    units.weights[unit] = weight;
  }
};

// Window handles and their processes.
constexpr WindowHandle kAlpha = 0x100, kBeta = 0x200, kEmpty = 0x300, kSpaces = 0x400, kBetaMore = 0x500,
                       kBet = 0x600, kBetaAgain = 0x700;
constexpr ProcessId kAlphaPid = 100, kBetaPid = 200, kEmptyPid = 300, kSpacesPid = 400, kBetaMorePid = 500,
                    kBetPid = 600;

TEST_F(BoosterTest, SequenceOfForegroundWindows) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  AddWindow(kEmpty, "", kEmptyPid);
  AddWindow(kSpaces, "   ", kSpacesPid);
  AddWindow(kBetaMore, "Beta - more text", kBetaMorePid);
  AddWindow(kBet, "Bet", kBetPid);
  fake.windows->windows[kBetaAgain] = {"Beta (2)", kBetaPid};

  const struct Step {
    const char* what;
    WindowHandle front;
    std::string_view speed;
    std::optional<Boost> boost;
    Changes changes;             // in the order asked for
  } steps[] = {
      {"first boost also sets this program to Normal", kAlpha, kAboveText,
       Boost{" 1", "Alpha", "Above Normal", 1}, {{self, kNormal}, {kAlphaPid, kAbove}}},
      {"the same window staying in front boosts once", kAlpha, kAboveText, std::nullopt, {}},
      {"and again", kAlpha, kAboveText, std::nullopt, {}},
      {"B: A back to Normal", kBeta, kAboveText, Boost{" 2", "Beta", "Above Normal", 2},
       {{kAlphaPid, kNormal}, {kBetaPid, kAbove}}},
      {"A again: B back to Normal", kAlpha, kAboveText, Boost{" 3", "Alpha", "Above Normal", 3},
       {{kBetaPid, kNormal}, {kAlphaPid, kAbove}}},
      {"an empty title is not boosted; the boosted process goes back", kEmpty, kAboveText, std::nullopt,
       {{kAlphaPid, kNormal}}},
      {"nor a title of spaces", kSpaces, kAboveText, std::nullopt, {}},
      {"the window in between goes to Normal", kBeta, kHighText, Boost{" 4", "Beta", "High", 4},
       {{kSpacesPid, kNormal}, {kBetaPid, kHigh}}},
      {"a retitled window of the boosted process is not boosted twice", kBetaAgain, kAboveText, std::nullopt, {}},
      {"another process's title that begins with the boosted one is a new window", kBetaMore, kAboveText,
       Boost{" 5", "Beta - more text", "Above Normal", 5}, {{kBetaPid, kNormal}, {kBetaMorePid, kAbove}}},
      {"one that is only the beginning of it too", kBet, kAboveText, Boost{" 6", "Bet", "Above Normal", 6},
       {{kBetaMorePid, kNormal}, {kBetPid, kAbove}}},
      {"no window in front", 0, kAboveText, std::nullopt, {}},
      {"after no window, the previous handle is 0: this program goes to Normal", kAlpha, kHighText,
       Boost{" 7", "Alpha", "High", 7}, {{kBetPid, kNormal}, {self, kNormal}, {kAlphaPid, kHigh}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const std::optional<Boost> boost = TickWith(step.front, true, step.speed);
    EXPECT_EQ(boost, step.boost);
    EXPECT_EQ(fake.priorities->changes, step.changes);
    EXPECT_EQ(booster.LastForegroundHwnd(), step.front);
  }
  EXPECT_EQ(booster.BoostCount(), 7);
  EXPECT_EQ(booster.NowImproveProcess(), "Alpha");
  // Only the process in front stays raised.
  EXPECT_EQ(fake.priorities->classes.at(kAlphaPid), kHigh);
  for (const ProcessId pid : {kBetaPid, kBetaMorePid, kBetPid}) EXPECT_EQ(fake.priorities->classes.at(pid), kNormal);
}

TEST_F(BoosterTest, IdleTickAsksForTheForegroundWindowOnly) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  ASSERT_TRUE(TickWith(kAlpha));
  const int titleReads = fake.windows->titleReads;
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(TickWith(kAlpha));
  EXPECT_EQ(fake.windows->titleReads, titleReads);
  EXPECT_EQ(fake.priorities->deferredCompletions, 6) << "every tick finishes what the system made wait";
}

// Two windows of one title, of two processes: each is boosted in its turn,
// and only the one in front stays raised; with this program in front again,
// neither is.
TEST_F(BoosterTest, TwoProcessesWithOneTitleAreTwoWindows) {
  AddWindow(0x10, "user@host: ~/work", 10);
  AddWindow(0x20, "user@host: ~/work", 20);
  AddWindow(0x30, "Tarvelo", self);
  ASSERT_TRUE(TickWith(0x10));
  const auto second = TickWith(0x20);
  ASSERT_TRUE(second);
  EXPECT_EQ(fake.priorities->changes, (Changes{{10, kNormal}, {20, kAbove}}));
  EXPECT_EQ(fake.priorities->classes.at(10), kNormal);
  EXPECT_EQ(fake.priorities->classes.at(20), kAbove);
  TickWith(0x30);
  EXPECT_EQ(fake.priorities->classes.at(20), kNormal) << "the program in front is this one";
}

TEST_F(BoosterTest, NoneShownBlocksNothing) {
  AddWindow(0x10, "None of these", 10);
  const auto boost = TickWith(0x10);
  ASSERT_TRUE(boost);
  EXPECT_EQ(boost->title, "None of these");
}

TEST_F(BoosterTest, SameTitleTestComparesCharactersNotBytes) {
  AddWindow(0x10, "Grüße", 10);
  fake.windows->windows[0x20] = {"Grüße aus Köln", 10};  // the same process, retitled
  AddWindow(0x30, "Grü", 30);
  AddWindow(0x40, "Title\0after a NUL", 40);
  fake.windows->windows[0x40].title = std::string("Title\0after a NUL", 17);
  ASSERT_TRUE(TickWith(0x10));
  EXPECT_FALSE(TickWith(0x20));
  const auto shorter = TickWith(0x30);
  ASSERT_TRUE(shorter);
  EXPECT_EQ(shorter->title, "Grü");
  const auto cut = TickWith(0x40);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->title, "Title") << "a title ends at its first NUL";
}

TEST_F(BoosterTest, DisabledTicksDoNothingAndTheFirstEnabledTickComparesWithTheOldWindow) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  ASSERT_TRUE(TickWith(kAlpha));

  // Off: windows change, nothing happens, the handles stay.
  for (WindowHandle front : {kBeta, WindowHandle{0}, kAlpha, kBeta}) {
    EXPECT_FALSE(TickWith(front, false));
    EXPECT_TRUE(fake.priorities->changes.empty());
    EXPECT_EQ(booster.LastForegroundHwnd(), kAlpha);
    EXPECT_EQ(booster.PreviousForegroundHwnd(), 0u);
  }
  // Back on with Alpha in front: the same window as before switching off.
  EXPECT_FALSE(TickWith(kAlpha));
  EXPECT_FALSE(TickWith(kBeta, false));
  // Back on with Beta in front: boosted at once, Alpha back to Normal.
  const auto boost = TickWith(kBeta);
  ASSERT_TRUE(boost);
  EXPECT_EQ(boost->number, " 2");
  EXPECT_EQ(fake.priorities->changes, (Changes{{kAlphaPid, kNormal}, {kBetaPid, kAbove}}));
}

TEST_F(BoosterTest, ABoostThatChangedNothingIsNeitherLoggedNorCountedNorShown) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(0x10, "Remote client", 0);  // the owner cannot be found out
  AddWindow(0x20, "Another user's", 20);
  fake.priorities->denied.insert(20);
  AddWindow(0x30, "Short-lived", 30);
  fake.priorities->classes.erase(30);  // its process has ended
  AddWindow(0x40, "Already raised", 40);
  fake.priorities->readBack[40] = kNormal;  // the system reports no change

  const auto first = TickWith(kAlpha);
  ASSERT_TRUE(first);
  stats.processes[kAlphaPid] = {{kAlphaPid, {}}};

  for (const WindowHandle front : {WindowHandle{0x10}, WindowHandle{0x20}, WindowHandle{0x30}, WindowHandle{0x40}}) {
    SCOPED_TRACE(fake.windows->windows[front].title);
    EXPECT_FALSE(TickWith(front));
    EXPECT_EQ(booster.BoostCount(), 1);
    EXPECT_EQ(booster.NowImproveProcess(), "Alpha");
  }
  EXPECT_EQ(fake.priorities->classes.at(20), kNormal);
  EXPECT_EQ(fake.priorities->classes.at(self), kNormal) << "a window without an owner never means this program";
  // The measurement of Alpha's boost was dropped with it: no new figure.
  stats.now += 3 * FasterFigure::kWindowNs;
  EXPECT_FALSE(booster.PollFigure());
}

TEST_F(BoosterTest, TheLogShowsTheClassReadBack) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  fake.priorities->readBack[kAlphaPid] = kAbove;  // asked High, the system gave Above Normal
  const auto boost = TickWith(kAlpha, true, kHighText);
  ASSERT_TRUE(boost);
  EXPECT_EQ(boost->priority, "Above Normal");
}

// Each way alone, both and neither, at each level: what the process gets, what
// the log says, and whether the page tells the user what to do.
TEST_F(BoosterTest, NiceAndWeightPaths) {
  const struct Case {
    const char* what;
    bool nice;       // the process may be raised
    bool manager;    // a user manager with the processor controller
    bool controller;
    std::string_view speed;
    std::optional<std::string> logged;  // the priority shown, nothing when not counted
    PriorityClass classAfter;
    std::uint64_t weightAfter;
    bool notice;
  } cases[] = {
      {"nice only", true, false, true, kAboveText, "Above Normal", kAbove, platform::UnitWeights::kUnset, false},
      {"weight only", false, true, true, kAboveText, "Above Normal", kNormal, 300, false},
      {"weight only, High", false, true, true, kHighText, "High", kNormal, 900, false},
      {"both", true, true, true, kHighText, "High", kHigh, 900, false},
      {"neither", false, false, true, kHighText, std::nullopt, kNormal, platform::UnitWeights::kUnset, true},
      {"weight set but not applied: no processor controller", false, true, false, kAboveText, std::nullopt, kNormal,
       300, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::fake::FakePlatform local;
    local.priorities->classes[kAlphaPid] = kNormal;
    local.windows->windows[kAlpha] = {"Alpha", kAlphaPid};
    local.windows->front = kAlpha;
    if (!c.nice) {
      local.priorities->denied.insert(kAlphaPid);
      local.priorities->mayRaise = false;
    }
    local.unitWeights->available = c.manager;
    local.unitWeights->controller = c.controller;
    local.unitWeights->units[kAlphaPid] = "app-alpha.scope";
    local.unitWeights->weights["app-alpha.scope"] = platform::UnitWeights::kUnset;
    ForegroundBooster b(*local.windows, *local.priorities, local.unitWeights, nullptr);
    EXPECT_EQ(b.PrivilegeMissing(true, c.speed), c.notice);
    EXPECT_FALSE(b.PrivilegeMissing(false, c.speed));
    const auto boost = b.Tick(true, c.speed);
    EXPECT_EQ(boost ? std::optional(boost->priority) : std::nullopt, c.logged);
    EXPECT_EQ(b.BoostCount(), c.logged ? 1 : 0);
    EXPECT_EQ(local.priorities->classes.at(kAlphaPid), c.classAfter);
    EXPECT_EQ(local.unitWeights->weights.at("app-alpha.scope"), c.weightAfter);
    b.RestoreAll();
    EXPECT_EQ(local.unitWeights->weights.at("app-alpha.scope"), platform::UnitWeights::kUnset);
    EXPECT_EQ(local.priorities->classes.at(kAlphaPid), kNormal);
  }
}

TEST_F(BoosterTest, EachUnitGetsBackExactlyTheWeightItHadBefore) {
  UseUnits();
  fake.priorities->mayRaise = false;
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  AddWindow(0x30, "Second window of Beta", 30);
  AddWindow(0x40, "Heavy", 40);
  for (ProcessId pid : {kAlphaPid, kBetaPid, ProcessId{30}, ProcessId{40}}) fake.priorities->denied.insert(pid);
  AddUnit(kAlphaPid, "app-alpha.scope");          // no weight set
  AddUnit(kBetaPid, "beta.service", 150);          // set by the user
  AddUnit(30, "beta.service", 150);                // the same unit
  AddUnit(40, "app-heavy.scope", 2000);            // weighted higher already
  using Sets = std::vector<std::pair<std::string, std::uint64_t>>;
  constexpr auto kUnset = platform::UnitWeights::kUnset;

  ASSERT_TRUE(TickWith(kAlpha));
  EXPECT_EQ(units.sets, (Sets{{"app-alpha.scope", 300}}));
  ASSERT_TRUE(TickWith(kBeta, true, kHighText));
  EXPECT_EQ(units.sets, (Sets{{"app-alpha.scope", kUnset}, {"beta.service", 900}}));
  const auto second = TickWith(0x30);
  ASSERT_TRUE(second) << "another window of the same unit";
  EXPECT_EQ(units.sets, (Sets{{"beta.service", 300}})) << "kept, at the new level";
  EXPECT_FALSE(TickWith(0x40)) << "a unit weighted higher already is left alone";
  EXPECT_EQ(units.sets, (Sets{{"beta.service", 150}}));
  ASSERT_TRUE(TickWith(kAlpha, true, kHighText));
  EXPECT_EQ(units.weights.at("app-alpha.scope"), 900u);
  EXPECT_EQ(units.weights.at("beta.service"), 150u);
  EXPECT_EQ(units.weights.at("app-heavy.scope"), 2000u);
  EXPECT_EQ(units.weights.at("app-tarvelo.scope"), kUnset);
}

TEST_F(BoosterTest, UnitsHoldingASessionOrThisProgramAreNeverWeighted) {
  UseUnits();
  fake.priorities->mayRaise = false;
  const std::string wholeSession[] = {"session-2.scope", "init.scope", "user@1000.service", "app.slice",
                                      "user-runtime-dir@1000.service", "app-tarvelo.scope" /* this program's */};
  ProcessId pid = 100;
  for (const std::string& unit : wholeSession) {
    SCOPED_TRACE(unit);
    AddWindow(pid, "Window " + unit, pid);
    fake.priorities->denied.insert(pid);
    AddUnit(pid, unit);
    EXPECT_FALSE(TickWith(pid));
    EXPECT_TRUE(units.sets.empty());
    ++pid;
  }
  EXPECT_TRUE(ForegroundBooster::MayWeightUnitKind("app-gnome-org.gnome.Terminal-4242.scope"));
  EXPECT_TRUE(ForegroundBooster::MayWeightUnitKind("app-firefox@autostart.service"));
}

TEST_F(BoosterTest, ARefusedOrUnreadableWeightIsLeftAlone) {
  UseUnits();
  fake.priorities->mayRaise = false;
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  fake.priorities->denied = {kAlphaPid, kBetaPid};
  AddUnit(kAlphaPid, "app-alpha.scope", 100);
  AddUnit(kBetaPid, "app-beta.scope", 100);
  units.refused.insert("app-alpha.scope");
  units.unreadable.insert("app-beta.scope");
  EXPECT_FALSE(TickWith(kAlpha));
  EXPECT_FALSE(TickWith(kBeta));
  EXPECT_TRUE(booster.HeldWeights().empty());
  EXPECT_EQ(units.weights.at("app-alpha.scope"), 100u);
  EXPECT_EQ(units.weights.at("app-beta.scope"), 100u);
}

TEST_F(BoosterTest, TheEndRestoresEveryWeightAndClassItStillHolds) {
  UseUnits();
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kEmpty, "", kEmptyPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  AddWindow(kBet, "Bet", kBetPid);
  AddWindow(0x50, "Gone", 50);
  AddUnit(kAlphaPid, "app-alpha.scope", 120);
  AddUnit(kBetaPid, "app-beta.scope");
  AddUnit(50, "app-gone.scope");
  ASSERT_TRUE(TickWith(kAlpha));
  EXPECT_FALSE(TickWith(kEmpty));
  ASSERT_TRUE(TickWith(kBeta, true, kHighText));
  ASSERT_TRUE(TickWith(0x50));
  units.weights.erase("app-gone.scope");  // its unit ends with it
  fake.priorities->classes.erase(50);
  fake.priorities->classes[kBetaPid] = PriorityClass::BelowNormal;  // changed by someone else meanwhile
  ASSERT_EQ(fake.priorities->classes.at(kAlphaPid), kNormal) << "set back when another process came to the front";

  booster.RestoreAll();
  EXPECT_EQ(units.weights.at("app-alpha.scope"), 120u);
  EXPECT_EQ(units.weights.at("app-beta.scope"), platform::UnitWeights::kUnset);
  EXPECT_TRUE(booster.HeldWeights().empty());
  EXPECT_EQ(fake.priorities->classes.at(kBetaPid), PriorityClass::BelowNormal) << "not ours to change any more";

  units.sets.clear();
  fake.priorities->changes.clear();
  booster.RestoreAll();
  EXPECT_TRUE(units.sets.empty());
  EXPECT_TRUE(fake.priorities->changes.empty());
}

TEST_F(BoosterTest, DestroyingTheBoosterRestoresToo) {
  UseUnits();
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddUnit(kAlphaPid, "app-alpha.scope", 80);
  {
    ForegroundBooster scoped(*fake.windows, *fake.priorities, &units, nullptr);
    fake.windows->front = kAlpha;
    ASSERT_TRUE(scoped.Tick(true, kHighText));
    ASSERT_EQ(units.weights.at("app-alpha.scope"), 900u);
  }
  EXPECT_EQ(units.weights.at("app-alpha.scope"), 80u);
  EXPECT_EQ(fake.priorities->classes.at(kAlphaPid), kNormal);
}

TEST_F(BoosterTest, TheFigureComesTwoSecondsAfterTheBoost) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  stats.processes[kAlphaPid] = {{kAlphaPid, {1'000'000, 0}}};
  stats.stallUs = 5'000;
  ASSERT_TRUE(TickWith(kAlpha));
  EXPECT_FALSE(booster.PollFigure());
  // 2 s on: the machine stalled half the time, Alpha waited a tenth of its runnable time.
  stats.now += FasterFigure::kWindowNs - 1;
  EXPECT_FALSE(booster.PollFigure()) << "not before the window has passed";
  stats.now += 1;
  stats.stallUs = *stats.stallUs + 1'000'000;
  stats.processes[kAlphaPid] = {{kAlphaPid, {1'000'000 + 900'000'000, 100'000'000}}};
  EXPECT_EQ(booster.PollFigure(), "80%");
  EXPECT_FALSE(booster.PollFigure()) << "once";

  // Beta ends during its window: no new figure.
  stats.processes[kBetaPid] = {{kBetaPid, {}}};
  ASSERT_TRUE(TickWith(kBeta));
  stats.processes.erase(kBetaPid);
  stats.now += FasterFigure::kWindowNs;
  EXPECT_FALSE(booster.PollFigure());
}
TEST(BoosterLevels, OnlyTheExactTextHighIsHigh) {
  EXPECT_EQ(ForegroundBooster::LevelClass("High"), kHigh);
  for (std::string_view other : {"Above Normal", "high", "", "High "}) {
    EXPECT_EQ(ForegroundBooster::LevelClass(other), kAbove) << other;
  }
}

}  // namespace
}  // namespace tarvelo
