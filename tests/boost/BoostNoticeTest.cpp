// What the booster page's notice says, and when it must be read again, on fakes.
#include "boost/BoostNotice.h"

#include <gtest/gtest.h>

#include "boost/ForegroundBooster.h"
#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

constexpr char kSetcap[] = "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv";

class BoostNoticeTest : public ::testing::Test {
 protected:
  platform::fake::FakePlatform fake;
  ForegroundBooster booster{*fake.windows, *fake.priorities};
  BoostNotice notice{booster, *fake.privileges};
};

TEST_F(BoostNoticeTest, SaysWhatWouldMakeBoostingPossibleTheWindowInFrontFirst) {
  const std::string unseen = "The booster cannot see the window in front on this Wayland desktop.";
  const struct {
    const char* what;
    bool enabled;
    std::string unseen;
    bool mayRaise;
    std::vector<std::string> grantCommand;
    std::string byHand;
    BoostNoticeView view;
  } cases[] = {
      {"off", false, unseen, false, {}, kSetcap, {}},
      {"priorities can be raised", true, "", true, {}, kSetcap, {}},
      {"the window in front cannot be seen", true, unseen, false, {"pkexec", "grant"}, kSetcap, {unseen, false}},
      {"the right can be granted here", true, "", false, {"pkexec", "grant"}, kSetcap,
       {std::string(BoostNotice::kAllow), true}},
      {"an administrator can grant it", true, "", false, {}, kSetcap,
       {std::string(BoostNotice::kByHand) + kSetcap, false}},
      {"no helper to grant it to", true, "", false, {}, "", {std::string(BoostNotice::kInstall), false}},
  };
  for (const auto& c : cases) {
    fake.windows->unseen = c.unseen;
    fake.priorities->mayRaise = c.mayRaise;
    fake.privileges->grantCommand = c.grantCommand;
    fake.privileges->byHand = c.byHand;
    EXPECT_EQ(notice.Read(c.enabled, "High"), c.view) << c.what;
  }
}

// The right comes and goes outside the program: a boost tried, failed or
// not, is the moment to read the notice again, as is a change of what can be
// seen. Idle ticks cost nothing.
TEST_F(BoostNoticeTest, IsStaleOnceABoostWasTriedOrWhatCanBeSeenChanged) {
  fake.windows->windows[0x10] = {"Editor", 10};
  fake.priorities->classes[10] = platform::PriorityClass::Normal;
  fake.priorities->denied.insert(10);
  notice.Read(true, "High");
  EXPECT_FALSE(notice.Stale());
  booster.Tick(true, "High");  // nothing in front
  EXPECT_FALSE(notice.Stale());
  fake.windows->front = 0x10;
  ASSERT_FALSE(booster.Tick(true, "High")) << "the raise fails";
  EXPECT_TRUE(notice.Stale());
  notice.Read(true, "High");
  EXPECT_FALSE(notice.Stale());
  booster.Tick(true, "High");  // the same window still in front
  EXPECT_FALSE(notice.Stale());
  fake.windows->unseen = "To see the window in front, enable the extension.";
  EXPECT_TRUE(notice.Stale());
}

}  // namespace
}  // namespace tarvelo
