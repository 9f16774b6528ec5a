// Unit weights through a stand-in of the systemd user manager on a private
// bus (no user manager runs here), with fixture /proc and cgroup trees; and
// the booster acting through them.
#include "support/MissingInCi.h"
#include "platform/linux/limits/LinuxUnitWeights.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "boost/ForegroundBooster.h"
#include "platform/fake/FakePlatform.h"
#include "support/FakeSystemdManager.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::FakeSystemdManager;
using tarvelo::testing::FakeUnit;
using tarvelo::testing::PrivateBus;
using tarvelo::testing::TempDir;

constexpr uid_t kUid = 1000;
const std::string kApps = "/user.slice/user-1000.slice/user@1000.service/app.slice";

TEST(UserUnitOfCgroup, FindsTheUnitUnderThisUsersManager) {
  const struct {
    const char* path;
    std::optional<UserUnit> unit;
  } cases[] = {
      {"/user.slice/user-1000.slice/user@1000.service/app.slice/app-x-12.scope",
       UserUnit{"app-x-12.scope", "/user.slice/user-1000.slice/user@1000.service/app.slice/app-x-12.scope"}},
      {"/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome.slice/y.service/sub",
       UserUnit{"y.service", "/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome.slice/y.service"}},
      {"/user.slice/user-1000.slice/user@1000.service/init.scope",
       UserUnit{"init.scope", "/user.slice/user-1000.slice/user@1000.service/init.scope"}},
      {"/user.slice/user-1000.slice/session-3.scope", std::nullopt},  // the system manager's login session
      {"/user.slice/user-1001.slice/user@1001.service/app.slice/app-z.scope", std::nullopt},  // another user's
      {"/user.slice/user-1000.slice/user@1000.service", std::nullopt},
      {"/user.slice/user-1000.slice/user@1000.service/app.slice", std::nullopt},
      {"/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(UserUnitOfCgroupPath(c.path, kUid), c.unit) << c.path;

  EXPECT_EQ(UserUnitOfCgroupFile("12:pids:/\n1:name=systemd:/user.slice/user-1000.slice/user@1000.service/a.scope\n"
                                 "0::/user.slice/user-1000.slice/user@1000.service/app.slice/b.scope\n",
                                 kUid)
                ->name,
            "b.scope");
  EXPECT_FALSE(UserUnitOfCgroupFile("1:cpu:/user.slice/user-1000.slice/user@1000.service/a.scope\n", kUid))
      << "cgroup v1 only: no unified path";
}

using ::tarvelo::testing::InCi;

class LinuxUnitWeightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bus.Started()) {
      if (InCi()) FAIL() << bus.Error();
      GTEST_SKIP() << bus.Error();
    }
    fake = std::make_unique<FakeSystemdManager>(bus.Address());
    ASSERT_TRUE(fake->Ready()) << fake->Error();
    auto opened = SystemdUserManager::OpenAddress(bus.Address());
    ASSERT_TRUE(opened.Ok()) << opened.error->message;
    weights = std::make_unique<LinuxUnitWeights>(std::move(opened.value), proc.Path(), cgroups.Path(), kUid);
    Write(cgroups.File("user.slice/user-1000.slice/user@1000.service/cgroup.controllers"), "cpuset cpu io memory pids\n");
  }
  static void Write(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
  }
  // A process in a unit of the stand-in, with its cgroup file and the unit's cpu.weight.
  void AddProcess(ProcessId pid, const std::string& unit, std::optional<std::uint64_t> weight,
                  const std::string& applied = "100\n") {
    FakeUnit u{unit, kApps + "/" + unit, "active", {pid}, {}, {}};
    if (weight) u.numbers["CPUWeight"] = *weight;
    fake->AddUnit(u);
    Write(proc.File(std::to_string(pid) + "/cgroup"), "0::" + kApps + "/" + unit + "\n");
    if (!applied.empty()) Write(cgroups.File(kApps.substr(1) + "/" + unit + "/cpu.weight"), applied);
  }
  std::optional<std::uint64_t> StandInWeight(const std::string& unit) {
    const auto u = fake->Unit(unit);
    if (!u) return std::nullopt;
    const auto it = u->numbers.find("CPUWeight");
    return it == u->numbers.end() ? std::optional<std::uint64_t>(UINT64_MAX) : it->second;
  }

  PrivateBus bus;
  TempDir proc;
  TempDir cgroups;
  std::unique_ptr<FakeSystemdManager> fake;
  std::unique_ptr<LinuxUnitWeights> weights;
};

TEST_F(LinuxUnitWeightsTest, ReadsSetsAndReadsBackAWeight) {
  AddProcess(42, "app-editor-42.scope", std::nullopt, "300\n");
  EXPECT_TRUE(weights->Available());
  ASSERT_EQ(weights->UnitOf(42), "app-editor-42.scope");
  EXPECT_EQ(weights->WeightOf("app-editor-42.scope"), UnitWeights::kUnset);

  ASSERT_FALSE(weights->SetWeight("app-editor-42.scope", 300));
  const auto calls = fake->CallsOf("SetUnitProperties");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].unit, "app-editor-42.scope");
  EXPECT_TRUE(calls[0].runtime) << "never saved";
  ASSERT_EQ(calls[0].properties.size(), 1u);
  EXPECT_EQ(calls[0].properties[0].name, "CPUWeight");
  EXPECT_EQ(std::get<std::uint64_t>(calls[0].properties[0].value), 300u);
  EXPECT_EQ(weights->WeightOf("app-editor-42.scope"), 300u);
  EXPECT_EQ(weights->AppliedWeight("app-editor-42.scope"), 300u) << "from the unit's cpu.weight";

  ASSERT_FALSE(weights->SetWeight("app-editor-42.scope", UnitWeights::kUnset));
  EXPECT_EQ(weights->WeightOf("app-editor-42.scope"), UnitWeights::kUnset) << "back to no weight at all";
}

// The manager answers a change before it writes the group, and answers other
// calls before that too: the weight read back is the kernel's once it has it.
TEST_F(LinuxUnitWeightsTest, TheWeightReadBackIsTheKernelsOnceTheManagerHasWrittenIt) {
  AddProcess(42, "app-editor-42.scope", 50, "50\n");
  fake->SetCgroupRoot(cgroups.Path());
  fake->SetJobDelay(std::chrono::milliseconds(150));
  ASSERT_EQ(weights->UnitOf(42), "app-editor-42.scope");
  ASSERT_FALSE(weights->SetWeight("app-editor-42.scope", 300));
  EXPECT_EQ(weights->AppliedWeight("app-editor-42.scope"), 300u);
  ASSERT_FALSE(weights->SetWeight("app-editor-42.scope", 50));
  EXPECT_EQ(weights->AppliedWeight("app-editor-42.scope"), 50u) << "a weight put back is back when this returns";
}

TEST_F(LinuxUnitWeightsTest, RefusalsGoneUnitsAndMissingControllers) {
  AddProcess(42, "app-editor-42.scope", 100, "");  // no cpu.weight: the controller is off for it
  EXPECT_EQ(weights->UnitOf(42), "app-editor-42.scope");
  EXPECT_FALSE(weights->AppliedWeight("app-editor-42.scope"));
  EXPECT_EQ(weights->SetWeight("app-gone.scope", 300), std::errc::no_such_process);
  EXPECT_FALSE(weights->WeightOf("app-gone.scope"));
  EXPECT_FALSE(weights->UnitOf(4711)) << "no such process";

  fake->Refuse("SetUnitProperties", "org.freedesktop.DBus.Error.AccessDenied", "Permission denied");
  EXPECT_EQ(weights->SetWeight("app-editor-42.scope", 300), std::errc::permission_denied);
  EXPECT_EQ(StandInWeight("app-editor-42.scope"), 100u);

  // Without the cpu controller delegated to the manager nothing can be weighted.
  Write(cgroups.File("user.slice/user-1000.slice/user@1000.service/cgroup.controllers"), "memory pids\n");
  auto opened = SystemdUserManager::OpenAddress(bus.Address());
  ASSERT_TRUE(opened.Ok());
  EXPECT_FALSE(LinuxUnitWeights(std::move(opened.value), proc.Path(), cgroups.Path(), kUid).Available());
  EXPECT_FALSE(LinuxUnitWeights(nullptr, proc.Path(), cgroups.Path(), kUid).Available()) << "no manager";
}

TEST_F(LinuxUnitWeightsTest, TheBoosterWeightsTheUnitInFrontAndPutsEveryWeightBack) {
  fake::FakeForegroundWindow windows;
  fake::FakeProcessPriorities priorities;  // no right to change a class: only weights act
  priorities.mayRaise = false;
  priorities.self = 7;
  AddProcess(7, "app-tarvelo-7.scope", std::nullopt);
  AddProcess(42, "app-editor-42.scope", 150, "150\n");
  AddProcess(43, "app-viewer-43.scope", std::nullopt);
  fake->SetCgroupRoot(cgroups.Path());  // the manager writes each change to the kernel a little later
  for (ProcessId pid : {42u, 43u}) {
    priorities.classes[pid] = PriorityClass::Normal;
    priorities.denied.insert(pid);
  }
  windows.windows[0x10] = {"Editor", 42};
  windows.windows[0x20] = {"Viewer", 43};
  {
    tarvelo::ForegroundBooster booster(windows, priorities, weights.get(), nullptr);
    EXPECT_FALSE(booster.PrivilegeMissing(true, "High"));
    windows.front = 0x10;
    const auto first = booster.Tick(true, "Above Normal");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->priority, "Above Normal");
    EXPECT_EQ(StandInWeight("app-editor-42.scope"), 300u);

    windows.front = 0x20;
    const auto second = booster.Tick(true, "High");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->priority, "High");
    EXPECT_EQ(StandInWeight("app-editor-42.scope"), 150u) << "exactly the weight it had";
    EXPECT_EQ(StandInWeight("app-viewer-43.scope"), 900u);
    EXPECT_EQ(StandInWeight("app-tarvelo-7.scope"), UnitWeights::kUnset);
    booster.RestoreAll();
  }
  EXPECT_EQ(StandInWeight("app-viewer-43.scope"), UnitWeights::kUnset);
  for (const auto& call : fake->CallsOf("SetUnitProperties")) {
    EXPECT_NE(call.unit, "app-tarvelo-7.scope");
    EXPECT_TRUE(call.runtime);
  }
  EXPECT_EQ(fake->CallsOf("SetUnitProperties").size(), 4u) << "raise, restore, raise, restore";
}

}  // namespace
}  // namespace platform::linux_impl
