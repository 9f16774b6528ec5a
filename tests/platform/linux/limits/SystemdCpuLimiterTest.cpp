#include "support/MissingInCi.h"
#include "platform/linux/limits/SystemdCpuLimiter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "support/CpuShare.h"
#include "cpulimit/CpuLimitControl.h"
#include "support/FakeSystemdManager.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"
#include "platform/linux/limits/CgroupCpuLimiter.h"

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
    fake->SetCgroupRoot(cgroups.Path());
  }
  std::unique_ptr<SystemdCpuLimiter> Limiter(uid_t user = ::geteuid()) {
    auto client = SystemdUserManager::OpenAddress(bus.Address());
    EXPECT_TRUE(client.Ok());
    return std::make_unique<SystemdCpuLimiter>(std::move(client.value),
                                               SystemdCpuLimiter::Options{"/proc", 2, user, cgroups.Path()});
  }
  std::uint32_t Pid() const { return static_cast<std::uint32_t>(child.Pid()); }
  // What the kernel would apply to the scope's group.
  std::string CpuMax(const std::string& scope) const {
    const auto unit = fake->Unit(scope);
    if (!unit) return "(no unit)";
    return tarvelo::testing::ReadFile(cgroups.Path() + unit->controlGroup + "/cpu.max");
  }
  // cgroup.procs with this mode in each group above the child's: the one
  // the manager's move needs to write.
  void GroupsAboveTheChild(std::filesystem::perms mode) {
    const auto group = platform::linux_impl::CpuGroupOf("/proc", child.Pid(), platform::linux_impl::CgroupVersion::V2);
    ASSERT_TRUE(group.has_value());
    std::filesystem::path dir = cgroups.Path();
    std::istringstream parts(*group);
    std::string part;
    do {
      if (!part.empty()) dir /= part;
      std::filesystem::create_directories(dir);
      tarvelo::testing::WriteFile(dir / "cgroup.procs", "");
      std::filesystem::permissions(dir / "cgroup.procs", mode);
    } while (std::getline(parts, part, '/'));
  }

  PrivateBus bus;
  std::unique_ptr<FakeSystemdManager> fake;
  tarvelo::testing::TempDir cgroups;
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

  EXPECT_EQ(std::get<std::string>(props.at("CollectMode")), "inactive-or-failed");
  EXPECT_EQ(CpuMax(scope), "40000 100000\n");

  ASSERT_EQ(limiter->Apply(Pid(), 50), CpuLimitError::None);
  auto set = fake->CallsOf("SetUnitProperties");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].unit, scope);
  EXPECT_TRUE(set[0].runtime);
  EXPECT_EQ(fake->QuotaOf(scope), 1'000'000u);
  EXPECT_EQ(CpuMax(scope), "100000 100000\n") << "the change is read back from the group";

  EXPECT_TRUE(limiter->Lift(Pid()));
  EXPECT_EQ(fake->QuotaOf(scope), UINT64_MAX) << "the quota goes to infinity";
  EXPECT_EQ(CpuMax(scope), "max 100000\n");
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

// The manager answers the start at once and runs the job later; the
// limiter must wait for the job before it asks where the process is.
TEST_F(SystemdCpuLimiterTest, TheFirstLimitWaitsForTheStartJob) {
  fake->SetJobDelay(std::chrono::milliseconds(400));
  auto limiter = Limiter();
  ASSERT_EQ(limiter->Apply(Pid(), 10), CpuLimitError::None);
  const std::string scope = limiter->ScopeOf(Pid());
  EXPECT_EQ(fake->Unit(scope)->pids, std::vector<std::uint32_t>{Pid()});
  EXPECT_EQ(CpuMax(scope), "20000 100000\n");
}

// A manager that takes the quota but has no cpu controller to apply it:
// nothing is limited, so the user is told so, and the quota is taken back.
TEST_F(SystemdCpuLimiterTest, AQuotaTheKernelDoesNotApplyIsNoLimit) {
  fake->SetCgroupRoot(cgroups.Path(), false);
  fake->SetJobDelay(std::chrono::milliseconds(10));
  auto limiter = Limiter();
  EXPECT_EQ(limiter->Apply(Pid(), 20), CpuLimitError::Failed);
  EXPECT_FALSE(limiter->Limits(Pid()));
  const auto start = fake->CallsOf("StartTransientUnit");
  ASSERT_EQ(start.size(), 1u);
  EXPECT_EQ(fake->QuotaOf(start[0].unit), UINT64_MAX);
}

// A failed start is unloaded at once and the next try starts clean; a
// failed scope of the same name that an older run left is cleared first;
// a move the kernel would refuse reaches the user as a refusal.
TEST_F(SystemdCpuLimiterTest, FailedScopesDoNotStayAndRefusalsSaySo) {
  fake->SetJobDelay(std::chrono::milliseconds(10));
  auto limiter = Limiter();
  GroupsAboveTheChild(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  fake->FailStarts("failed");
  EXPECT_EQ(limiter->Apply(Pid(), 20), CpuLimitError::Failed);
  const std::string scope = fake->CallsOf("StartTransientUnit").at(0).unit;
  EXPECT_FALSE(fake->Unit(scope).has_value()) << "a failed scope is unloaded";

  GroupsAboveTheChild(std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  const CpuLimitError refused = limiter->Apply(Pid(), 20);
  EXPECT_EQ(refused, CpuLimitError::NotPermitted);
  EXPECT_NE(tarvelo::LimitFailureText(refused).find("did not allow"), std::string::npos);

  // An older run's scope of this name, failed and kept loaded.
  fake->AddUnit({scope, std::string(FakeSystemdManager::kManagerGroup) + "/tarvelo.slice/" + scope, "failed", {}, {}, {}});
  fake->FailStarts("");
  ASSERT_EQ(limiter->Apply(Pid(), 20), CpuLimitError::None);
  EXPECT_EQ(fake->CallsOf("ResetFailedUnit").back().unit, scope);
  EXPECT_EQ(fake->Unit(scope)->pids, std::vector<std::uint32_t>{Pid()});
  EXPECT_EQ(CpuMax(scope), "40000 100000\n");
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
