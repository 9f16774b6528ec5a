#include "cpulimit/CpuLimitSlots.h"

#include <gtest/gtest.h>

namespace tarvelo {
namespace {

using Mode = LimitDialogPlan::Mode;

TEST(CpuLimitSlots, ThreeLimitsThenTheFourthIsRefused) {
  CpuLimitSlots slots;
  EXPECT_EQ(PlanLimitDialog(slots, 10, false).mode, Mode::NewLimit);
  EXPECT_EQ(PlanLimitDialog(slots, 10, false).sliderStart, 99);
  EXPECT_TRUE(slots.Take(10, "/usr/bin/a", 40));
  EXPECT_TRUE(slots.Take(20, "/usr/bin/b", 50));
  EXPECT_TRUE(slots.Take(30, "/usr/bin/c", 60));
  EXPECT_EQ(slots.CountInUse(), 3);
  EXPECT_EQ(PlanLimitDialog(slots, 40, false).mode, Mode::Refused);
  EXPECT_FALSE(slots.Take(40, "/usr/bin/d", 70));
  // A limited row still opens in change mode when all slots are taken.
  const LimitDialogPlan change = PlanLimitDialog(slots, 20, true);
  EXPECT_EQ(change.mode, Mode::ChangeLimit);
  EXPECT_EQ(change.sliderStart, 50);
}

TEST(CpuLimitSlots, ChangeAndReleaseFindTheSlotByPidAlone) {
  CpuLimitSlots slots;
  slots.Take(10, "/a", 40);
  slots.Take(20, "/b", 50);
  slots.Adjust(20, 25);
  EXPECT_EQ(slots.Slots()[1].LimitPercent, 25);
  slots.Release(10);
  EXPECT_FALSE(slots.Slots()[0].InUse);
  EXPECT_EQ(slots.Slots()[0].LimitedPid, 10);  // a freed slot keeps its record
  EXPECT_EQ(slots.CountInUse(), 1);
  // The search does not look at InUse: the freed slot still answers for pid 10.
  slots.Adjust(10, 77);
  EXPECT_EQ(slots.Slots()[0].LimitPercent, 77);
  EXPECT_FALSE(slots.Slots()[0].InUse);
  // A new limit takes the first free slot again.
  slots.Take(30, "/c", 60);
  EXPECT_EQ(slots.Slots()[0].LimitedPid, 30);
  EXPECT_EQ(slots.Slots()[0].ExePath, "/c");
  // Unknown pids change nothing.
  slots.Release(999);
  slots.Adjust(999, 1);
  EXPECT_EQ(slots.CountInUse(), 2);
}

TEST(CpuLimitSlots, RefreshShowsLimitsOnEveryMatchingRowAndFreesVanishedProcesses) {
  CpuLimitSlots slots;
  slots.Take(10, "/a", 40);
  slots.Take(20, "/b", 50);
  slots.Take(30, "/c", 60);
  // 20 ended; 30 is listed twice (a pid reused meanwhile shows the limit too).
  const std::vector<std::string> texts = slots.Reconcile({5, 30, 10, 30});
  EXPECT_EQ(texts, (std::vector<std::string>{"", "60%", "40%", "60%"}));
  EXPECT_EQ(slots.CountInUse(), 2);
  EXPECT_FALSE(slots.Slots()[1].InUse);
  // An empty list frees every slot.
  slots.Reconcile({});
  EXPECT_EQ(slots.CountInUse(), 0);
}

}  // namespace
}  // namespace tarvelo
