#include "support/MissingInCi.h"
#include "platform/linux/SystemdCpuLimiter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "support/CpuShare.h"
#include "cpulimit/CpuLimitControl.h"
#include "support/FakeSystemdManager.h"
#include "support/PrivateBus.h"

namespace {

using platform::CpuLimitError;
using platform::linux_impl::SystemdCpuLimiter;
using platform::linux_impl::SystemdUserManager;
using platform::linux_impl::UnitProperty;
using platform::linux_impl::UnitPropertyValue;
using tarvelo::testing::FakeSystemdManager;
using tarvelo::testing::PrivateBus;

std::map<std::string, UnitPropertyValue> ByName(const std::vector<UnitProperty>& properties) {
  std::map<std::string, UnitPropertyValue> map;
  for (const UnitProperty& p : properties) map[p.name] = p.value;
  return map;
}

// The limiter on a private bus with the stand-in of the user manager; a
// sleeping child of this test is the process to limit.
class SystemdCpuLimiterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bus.Started()) {
      TARVELO_SKIP_OR_FAIL_IN_CI(bus.Error());
    }
    fake = std::make_unique<FakeSystemdManager>(bus.Address());
    ASSERT_TRUE(fake->Ready()) << fake->Error();
  }
  std::unique_ptr<SystemdCpuLimiter> Limiter(uid_t user = ::geteuid()) {
    auto client = SystemdUserManager::OpenAddress(bus.Address());
    EXPECT_TRUE(client.Ok());
    return std::make_unique<SystemdCpuLimiter>(std::move(client.value),
                                               SystemdCpuLimiter::Options{"/proc", 2, user});
  }
  std::uint32_t Pid() const { return static_cast<std::uint32_t>(child.Pid()); }

  PrivateBus bus;
  std::unique_ptr<FakeSystemdManager> fake;
  tarvelo::testing::BusyChild child{false};
};

TEST_F(SystemdCpuLimiterTest, AScopeOfItsOwnWithTheQuotaChangedAndLifted) {
  auto limiter = Limiter();
  ASSERT_EQ(limiter->Apply(Pid(), 20), CpuLimitError::None);
  const std::string scope = limiter->ScopeOf(Pid());
  EXPECT_EQ(scope.rfind("tarvelo-limit-" + std::to_string(Pid()) + "-", 0), 0u) << scope;

  const auto start = fake->CallsOf("StartTransientUnit");
  ASSERT_EQ(start.size(), 1u);
  EXPECT_EQ(start[0].unit, scope);
  auto props = ByName(start[0].properties);
  EXPECT_EQ(std::get<std::vector<std::uint32_t>>(props.at("PIDs")), std::vector<std::uint32_t>{Pid()});
  // 20 % of two processors: 0.4 s of processor time per second.
  EXPECT_EQ(std::get<std::uint64_t>(props.at("CPUQuotaPerSecUSec")), 400'000u);
  EXPECT_EQ(std::get<std::string>(props.at("Slice")), "tarvelo.slice");
  const std::string description = std::get<std::string>(props.at("Description"));
  EXPECT_NE(description.find("Tarvelo"), std::string::npos);
  EXPECT_NE(description.find(std::to_string(Pid())), std::string::npos) << description;

  ASSERT_EQ(limiter->Apply(Pid(), 50), CpuLimitError::None);
  auto set = fake->CallsOf("SetUnitProperties");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].unit, scope);
  EXPECT_TRUE(set[0].runtime);
  EXPECT_EQ(fake->QuotaOf(scope), 1'000'000u);

  EXPECT_TRUE(limiter->Lift(Pid()));
  EXPECT_EQ(fake->QuotaOf(scope), UINT64_MAX) << "the quota goes to infinity";
  EXPECT_TRUE(fake->CallsOf("StopUnit").empty()) << "stopping the scope would end the process";

  // A second limit of the same process finds it still in its scope.
  ASSERT_EQ(limiter->Apply(Pid(), 30), CpuLimitError::None);
  EXPECT_EQ(fake->CallsOf("StartTransientUnit").size(), 1u);
  EXPECT_EQ(fake->QuotaOf(scope), 600'000u);
  limiter.reset();
  EXPECT_EQ(fake->QuotaOf(scope), UINT64_MAX) << "lifted when the limiter goes";
}

TEST_F(SystemdCpuLimiterTest, RefusalsBecomeTheMessage) {
  fake->Refuse("StartTransientUnit", "org.freedesktop.DBus.Error.AccessDenied", "Access denied");
  auto limiter = Limiter();
  tarvelo::CpuLimitSlots slots;
  tarvelo::CpuLimitControl control(slots, limiter.get());
  const CpuLimitError error = control.Limit(static_cast<std::int32_t>(Pid()), "/usr/bin/x", 20);
  EXPECT_EQ(error, CpuLimitError::NotPermitted);
  EXPECT_EQ(slots.CountInUse(), 0);
  EXPECT_NE(tarvelo::LimitFailureText(error).find("did not allow"), std::string::npos);

  // Another user's process is refused before the manager is asked.
  auto otherUser = Limiter(::geteuid() + 1);
  EXPECT_EQ(otherUser->Apply(Pid(), 20), CpuLimitError::OtherUser);
  EXPECT_EQ(fake->CallsOf("StartTransientUnit").size(), 1u);
}

TEST_F(SystemdCpuLimiterTest, LeftoverScopesWithAQuotaAreLifted) {
  fake->AddUnit({"tarvelo-limit-5-6.scope", "/tarvelo.slice/tarvelo-limit-5-6.scope", "active", {5},
                 {{"CPUQuotaPerSecUSec", 100'000}}, {}});
  fake->AddUnit({"tarvelo-limit-7-8.scope", "/tarvelo.slice/tarvelo-limit-7-8.scope", "active", {7},
                 {{"CPUQuotaPerSecUSec", UINT64_MAX}}, {}});
  fake->AddUnit({"app-other.scope", "/app.slice/app-other.scope", "active", {9}, {{"CPUQuotaPerSecUSec", 5000}}, {}});
  auto limiter = Limiter();
  EXPECT_EQ(limiter->LiftLeftovers(), 1);
  EXPECT_EQ(fake->QuotaOf("tarvelo-limit-5-6.scope"), UINT64_MAX);
  EXPECT_EQ(fake->QuotaOf("app-other.scope"), 5000u) << "another program's unit is left alone";
}

}  // namespace
