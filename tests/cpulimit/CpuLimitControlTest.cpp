#include "cpulimit/CpuLimitControl.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

using platform::CpuLimitError;
using Caps = std::map<platform::ProcessId, int>;

class CpuLimitControlTest : public ::testing::Test {
 protected:
  platform::fake::FakeCpuLimiter limiter;
  CpuLimitSlots slots;
  CpuLimitControl control{slots, &limiter};
};

TEST_F(CpuLimitControlTest, OkAdjustmentAndReleaseMoveTheCapWithTheSlot) {
  ASSERT_EQ(control.Limit(10, "/usr/bin/a", 40), CpuLimitError::None);
  EXPECT_EQ(slots.CountInUse(), 1);
  EXPECT_EQ(limiter.limits, (Caps{{10, 40}}));
  EXPECT_EQ(control.Adjust(10, 15), CpuLimitError::None);
  EXPECT_EQ(limiter.limits, (Caps{{10, 15}}));
  EXPECT_EQ(slots.FindByPid(10)->LimitPercent, 15);
  control.Release(10);
  EXPECT_EQ(slots.CountInUse(), 0);
  EXPECT_TRUE(limiter.limits.empty());
}

TEST_F(CpuLimitControlTest, ARefusedCapTakesNoSlot) {
  for (const CpuLimitError refusal : {CpuLimitError::Unsupported, CpuLimitError::NotPermitted,
                                      CpuLimitError::OtherUser, CpuLimitError::ProcessGone,
                                      CpuLimitError::NeedsNewerSystem, CpuLimitError::Failed}) {
    limiter.refusal = refusal;
    EXPECT_EQ(control.Limit(10, "/usr/bin/a", 40), refusal);
    EXPECT_EQ(slots.CountInUse(), 0);
    EXPECT_TRUE(limiter.limits.empty());
  }
}

TEST_F(CpuLimitControlTest, AFailedAdjustmentKeepsTheCapInForce) {
  ASSERT_EQ(control.Limit(10, "/usr/bin/a", 40), CpuLimitError::None);
  limiter.refusal = CpuLimitError::NotPermitted;
  EXPECT_EQ(control.Adjust(10, 15), CpuLimitError::NotPermitted);
  EXPECT_EQ(slots.FindByPid(10)->LimitPercent, 40);
  EXPECT_TRUE(slots.FindByPid(10)->InUse);

  limiter.refusal = CpuLimitError::None;
  limiter.ended.insert(10);
  EXPECT_EQ(control.Adjust(10, 15), CpuLimitError::ProcessGone);
  EXPECT_FALSE(slots.FindByPid(10)->InUse) << "an ended process keeps no slot";
}

TEST_F(CpuLimitControlTest, EndedAndVanishedProcessesLoseSlotAndCap) {
  ASSERT_EQ(control.Limit(10, "/a", 10), CpuLimitError::None);
  ASSERT_EQ(control.Limit(20, "/b", 20), CpuLimitError::None);
  ASSERT_EQ(control.Limit(30, "/c", 30), CpuLimitError::None);

  // pid 10's process ended and the pid names a new process in the list.
  limiter.ended.insert(10);
  const auto texts = control.Reconcile({10, 20});  // pid 30 is no longer listed
  EXPECT_EQ(texts, (std::vector<std::string>{"", "20%"}));
  EXPECT_EQ(limiter.limits, (Caps{{20, 20}}));
  EXPECT_EQ(std::set<platform::ProcessId>(limiter.lifted.begin(), limiter.lifted.end()),
            (std::set<platform::ProcessId>{10, 30}));

  limiter.ended.insert(20);
  EXPECT_EQ(control.Tick(), 0);
  EXPECT_TRUE(limiter.limits.empty());
}

TEST(CpuLimitControl, EveryCapIsLiftedAtTheEnd) {
  platform::fake::FakeCpuLimiter limiter;
  CpuLimitSlots slots;
  {
    CpuLimitControl control(slots, &limiter);
    ASSERT_EQ(control.Limit(10, "/a", 10), CpuLimitError::None);
  }
  EXPECT_TRUE(limiter.limits.empty());
  EXPECT_EQ(limiter.liftAllCalls, 1);

  // Without a limiter nothing can be limited, and the table stays empty.
  CpuLimitSlots empty;
  CpuLimitControl none(empty, nullptr);
  EXPECT_EQ(none.Limit(20, "/b", 10), CpuLimitError::Unsupported);
  EXPECT_EQ(empty.CountInUse(), 0);
}

TEST(CpuLimitControl, EveryRefusalHasItsOwnPlainMessage) {
  std::set<std::string> texts;
  for (const CpuLimitError e : {CpuLimitError::Unsupported, CpuLimitError::NotPermitted, CpuLimitError::OtherUser,
                                CpuLimitError::ProcessGone, CpuLimitError::NeedsNewerSystem, CpuLimitError::Failed}) {
    const std::string text = LimitFailureText(e);
    EXPECT_EQ(text.rfind("The CPU limit could not be set: ", 0), 0u) << text;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), 6u);
  EXPECT_EQ(LimitFailureText(CpuLimitError::None), "");
}

}  // namespace
}  // namespace tarvelo
