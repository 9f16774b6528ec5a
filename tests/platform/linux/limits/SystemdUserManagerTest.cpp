#include "support/MissingInCi.h"
#include "platform/linux/limits/SystemdUserManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/FakeSystemdManager.h"
#include "support/PrivateBus.h"

namespace {

using platform::linux_impl::SystemdUserManager;
using platform::linux_impl::UnitProperty;
using tarvelo::testing::FakeSystemdManager;
using tarvelo::testing::FakeUnit;
using tarvelo::testing::PrivateBus;

using ::tarvelo::testing::InCi;

// A private bus, the stand-in on it and a client connected to it.
class SystemdUserManagerTest : public ::testing::Test {
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
    client = std::move(opened.value);
  }

  PrivateBus bus;
  std::unique_ptr<FakeSystemdManager> fake;
  std::unique_ptr<SystemdUserManager> client;
};

TEST_F(SystemdUserManagerTest, FindsTheUnitOfAProcessAndReadsItsWeight) {
  fake->AddUnit({"app-org.example.Editor-42.scope", "/user.slice/app.slice/app-org.example.Editor-42.scope", "active",
                 {4242, 4243}, {{"CPUWeight", 250}}, {}});

  const auto unit = client->UnitOfPid(4243);
  ASSERT_TRUE(unit.Ok()) << unit.error->message;
  EXPECT_EQ(unit.value.name, "app-org.example.Editor-42.scope");
  EXPECT_EQ(unit.value.controlGroup, "/user.slice/app.slice/app-org.example.Editor-42.scope");
  EXPECT_EQ(unit.value.objectPath, SystemdUserManager::UnitObjectPath("app-org.example.Editor-42.scope"));

  const auto weight = client->CpuWeight(unit.value.name);
  ASSERT_TRUE(weight.Ok());
  EXPECT_EQ(weight.value, 250u);

  const auto none = client->UnitOfPid(9999);
  ASSERT_FALSE(none.Ok());
  EXPECT_EQ(none.error->name, "org.freedesktop.systemd1.NoUnitForPID");
}

TEST_F(SystemdUserManagerTest, SendsPropertiesWithTheirTypes) {
  fake->AddUnit({"app-x.scope", "/app-x.scope", "active", {77}, {}, {}});
  ASSERT_TRUE(client->SetUnitProperties("app-x.scope", true, {{"CPUWeight", std::uint64_t{400}}}).Ok());

  auto started = client->StartTransientScope("tarvelo-limit-77.scope", {77}, "Tarvelo CPU limit of x (77)",
                                             "tarvelo.slice", 200'000);
  ASSERT_TRUE(started.Ok()) << started.error->message;
  EXPECT_EQ(started.value, "done") << "the start job's result, once it has ended";

  const auto set = fake->CallsOf("SetUnitProperties");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].unit, "app-x.scope");
  EXPECT_TRUE(set[0].runtime);
  EXPECT_EQ(client->CpuWeight("app-x.scope").value, 400u);

  const auto start = fake->CallsOf("StartTransientUnit");
  ASSERT_EQ(start.size(), 1u);
  EXPECT_EQ(start[0].unit, "tarvelo-limit-77.scope");
  std::map<std::string, platform::linux_impl::UnitPropertyValue> props;
  for (const UnitProperty& p : start[0].properties) props[p.name] = p.value;
  EXPECT_EQ(std::get<std::vector<std::uint32_t>>(props.at("PIDs")), std::vector<std::uint32_t>{77});
  EXPECT_EQ(std::get<std::string>(props.at("Description")), "Tarvelo CPU limit of x (77)");
  EXPECT_EQ(std::get<std::string>(props.at("Slice")), "tarvelo.slice");
  EXPECT_EQ(std::get<std::uint64_t>(props.at("CPUQuotaPerSecUSec")), 200'000u);

  EXPECT_EQ(client->CpuQuotaPerSecUSec("tarvelo-limit-77.scope").value, 200'000u);
  EXPECT_EQ(client->UnitOfPid(77).value.name, "tarvelo-limit-77.scope");
  const auto listed = client->ListUnitNames("tarvelo-*.scope");
  ASSERT_TRUE(listed.Ok());
  EXPECT_EQ(listed.value, std::vector<std::string>{"tarvelo-limit-77.scope"});

  ASSERT_TRUE(client->StopUnit("tarvelo-limit-77.scope").Ok());
  EXPECT_FALSE(fake->Unit("tarvelo-limit-77.scope"));
}

TEST_F(SystemdUserManagerTest, ARefusalComesBackWithItsNameAndMessage) {
  fake->AddUnit({"app-x.scope", "/app-x.scope", "active", {77}, {}, {}});
  fake->Refuse("SetUnitProperties", "org.freedesktop.DBus.Error.AccessDenied", "Permission denied");
  const auto status = client->SetUnitProperties("app-x.scope", true, {{"CPUWeight", std::uint64_t{400}}});
  ASSERT_FALSE(status.Ok());
  EXPECT_EQ(status.error->name, "org.freedesktop.DBus.Error.AccessDenied");
  EXPECT_EQ(status.error->message, "Permission denied");
  EXPECT_FALSE(client->StopUnit("nothing.scope").Ok());
}

TEST(SystemdUserManagerNoBus, AnAddressWithoutABusIsAnError) {
  const auto opened = SystemdUserManager::OpenAddress("unix:path=/nonexistent/tarvelo/bus");
  ASSERT_FALSE(opened.Ok());
  EXPECT_FALSE(opened.error->message.empty());
}

}  // namespace
