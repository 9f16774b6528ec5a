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
  ForegroundBooster booster{*fake.windows, *fake.priorities, 12345};

  // A window of its own process; the process starts at Normal.
  void AddWindow(WindowHandle window, std::string title, ProcessId pid) {
    fake.windows->windows[window] = {std::move(title), pid};
    if (pid != 0) fake.priorities->classes[pid] = kNormal;
  }
  std::optional<Boost> TickWith(WindowHandle front, bool enabled = true, std::string_view speed = kAboveText) {
    fake.windows->front = front;
    fake.priorities->changes.clear();
    return booster.Tick(enabled, speed);
  }
};

// Window handles and their processes.
constexpr WindowHandle kAlpha = 0x100, kBeta = 0x200, kEmpty = 0x300, kSpaces = 0x400, kBetaMore = 0x500,
                       kBet = 0x600;
constexpr ProcessId kAlphaPid = 100, kBetaPid = 200, kEmptyPid = 300, kSpacesPid = 400, kBetaMorePid = 500,
                    kBetPid = 600;

TEST_F(BoosterTest, SequenceOfForegroundWindows) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  AddWindow(kBeta, "Beta", kBetaPid);
  AddWindow(kEmpty, "", kEmptyPid);
  AddWindow(kSpaces, "   ", kSpacesPid);
  AddWindow(kBetaMore, "Beta - more text", kBetaMorePid);
  AddWindow(kBet, "Bet", kBetPid);

  const struct Step {
    const char* what;
    WindowHandle front;
    std::string_view speed;
    std::optional<Boost> boost;  // the figure is checked apart: it is random
    Changes changes;             // in the order asked for
  } steps[] = {
      {"first boost also sets this program to Normal", kAlpha, kAboveText,
       Boost{" 1", "Alpha", "Above Normal", "", 1}, {{self, kNormal}, {kAlphaPid, kAbove}}},
      {"the same window staying in front boosts once", kAlpha, kAboveText, std::nullopt, {}},
      {"and again", kAlpha, kAboveText, std::nullopt, {}},
      {"B: A back to Normal", kBeta, kAboveText, Boost{" 2", "Beta", "Above Normal", "", 2},
       {{kAlphaPid, kNormal}, {kBetaPid, kAbove}}},
      {"A again: B back to Normal", kAlpha, kAboveText, Boost{" 3", "Alpha", "Above Normal", "", 3},
       {{kBetaPid, kNormal}, {kAlphaPid, kAbove}}},
      {"an empty title is not boosted", kEmpty, kAboveText, std::nullopt, {}},
      {"nor a title of spaces", kSpaces, kAboveText, std::nullopt, {}},
      {"the window in between goes to Normal, not the last boosted", kBeta, kHighText,
       Boost{" 4", "Beta", "High", "", 4}, {{kSpacesPid, kNormal}, {kBetaPid, kHigh}}},
      {"a title that begins with the boosted title is not boosted", kBetaMore, kAboveText, std::nullopt, {}},
      {"one that is only the beginning of it is boosted", kBet, kAboveText,
       Boost{" 5", "Bet", "Above Normal", "", 5}, {{kBetaMorePid, kNormal}, {kBetPid, kAbove}}},
      {"no window in front", 0, kAboveText, std::nullopt, {}},
      {"after no window, the previous handle is 0: this program goes to Normal", kAlpha, kHighText,
       Boost{" 6", "Alpha", "High", "", 6}, {{self, kNormal}, {kAlphaPid, kHigh}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    std::optional<Boost> boost = TickWith(step.front, true, step.speed);
    if (boost) boost->figure.clear();
    EXPECT_EQ(boost, step.boost);
    EXPECT_EQ(fake.priorities->changes, step.changes);
    EXPECT_EQ(booster.LastForegroundHwnd(), step.front);
  }
  EXPECT_EQ(booster.BoostCount(), 6);
  EXPECT_EQ(booster.NowImproveProcess(), "Alpha");
  // Beta keeps its raised class: the window in front before "Bet" was the
  // one that failed the same-title test, and that one went to Normal.
  EXPECT_EQ(fake.priorities->classes.at(kAlphaPid), kHigh);
  EXPECT_EQ(fake.priorities->classes.at(kBetaPid), kHigh);
  EXPECT_EQ(fake.priorities->classes.at(kBetPid), kAbove);
}

TEST_F(BoosterTest, IdleTickAsksForTheForegroundWindowOnly) {
  AddWindow(kAlpha, "Alpha", kAlphaPid);
  ASSERT_TRUE(TickWith(kAlpha));
  const int titleReads = fake.windows->titleReads;
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(TickWith(kAlpha));
  EXPECT_EQ(fake.windows->titleReads, titleReads);
  EXPECT_EQ(fake.priorities->deferredCompletions, 6) << "every tick finishes what the system made wait";
}

TEST_F(BoosterTest, ShownNoneBlocksAFirstTitleBeginningWithNone) {
  AddWindow(0x10, "None of these", 10);
  AddWindow(0x20, "Non", 20);
  EXPECT_FALSE(TickWith(0x10));
  EXPECT_TRUE(fake.priorities->changes.empty());
  const auto boost = TickWith(0x20);
  ASSERT_TRUE(boost);
  EXPECT_EQ(boost->title, "Non");
  EXPECT_EQ(fake.priorities->changes, (Changes{{10, kNormal}, {20, kAbove}}));
}

TEST_F(BoosterTest, SameTitleTestComparesCharactersNotBytes) {
  AddWindow(0x10, "Grüße", 10);
  AddWindow(0x20, "Grüße aus Köln", 20);
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

TEST_F(BoosterTest, WindowsWithoutAReachableProcessAreLoggedAndNeverActOnThisProgram) {
  AddWindow(0x10, "Remote client", 0);        // the owner cannot be found out
  AddWindow(0x20, "Another user's", 20);
  fake.priorities->denied.insert(20);
  AddWindow(0x30, "Short-lived", 30);
  AddWindow(kAlpha, "Alpha", kAlphaPid);

  auto boost = TickWith(0x10);
  ASSERT_TRUE(boost) << "logged and counted all the same";
  EXPECT_EQ(fake.priorities->changes, (Changes{{self, kNormal}})) << "only the previous handle 0 means this program";

  boost = TickWith(0x20);
  ASSERT_TRUE(boost);
  EXPECT_EQ(boost->priority, "Above Normal") << "the log says the level whether or not it took";
  EXPECT_EQ(fake.priorities->changes, (Changes{{20, kAbove}}));
  EXPECT_EQ(fake.priorities->classes.at(20), kNormal);

  ASSERT_TRUE(TickWith(0x30));
  fake.windows->windows.erase(0x30);  // its process ends, and its window with it
  fake.priorities->classes.erase(30);
  boost = TickWith(kAlpha);
  ASSERT_TRUE(boost);
  EXPECT_EQ(fake.priorities->changes, (Changes{{kAlphaPid, kAbove}}));
  EXPECT_EQ(fake.priorities->classes.at(self), kNormal);
  EXPECT_EQ(boost->count, 4);
}

TEST_F(BoosterTest, LevelsGiveTheirClassLogTextAndFigure) {
  const struct {
    std::string_view speed;
    PriorityClass expected;
    const char* logText;
    char firstDigit;
  } levels[] = {
      {"High", kHigh, "High", '1'},
      {"Above Normal", kAbove, "Above Normal", '2'},
      {"high", kAbove, "Above Normal", '2'},  // only the exact text is High
      {"", kAbove, "Above Normal", '2'},
  };
  for (const auto& level : levels) {
    SCOPED_TRACE(std::string(level.speed));
    std::set<char> secondDigits;
    for (WindowHandle i = 1; i <= 300; ++i) {
      AddWindow(i * 2, "Window " + std::to_string(i), 1000 + i);
      const auto boost = TickWith(i * 2, true, level.speed);
      ASSERT_TRUE(boost);
      EXPECT_EQ(boost->priority, level.logText);
      // Checked character by character: GoogleTest's regular expressions differ
      // between Linux (POSIX) and Windows (its own, without brackets).
      ASSERT_EQ(boost->figure.size(), 3u) << boost->figure;
      EXPECT_EQ(boost->figure[0], level.firstDigit);
      EXPECT_TRUE(boost->figure[1] >= '2' && boost->figure[1] <= '8') << boost->figure;
      EXPECT_EQ(boost->figure[2], '%');
      secondDigits.insert(boost->figure[1]);
      EXPECT_EQ(fake.priorities->classes.at(1000 + i), level.expected);
    }
    EXPECT_EQ(secondDigits.size(), 7u) << "every digit from 2 to 8 turns up";
  }
}

}  // namespace
}  // namespace tarvelo
