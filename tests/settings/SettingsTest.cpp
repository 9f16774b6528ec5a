#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/linux/files/LinuxProfileFile.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::linux_impl::LinuxProfileFile;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using namespace std::string_literals;

class SettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  LinuxProfileFile file{dir.File("Config.ini")};
  Settings settings{file};
};

TEST_F(SettingsTest, ReadSettingTrimsCutsAndStopsAtNul) {
  const struct {
    const char* what;
    std::string line;  // the Automin line of [Setting]
    std::string expected;
  } cases[] = {
      {"spaces around the digit", "Automin=   1   ", "1"},
      {"NUL ends the value", "Automin=1\0garbage"s, "1"},
      {"cut to 254 characters, then trimmed", "Automin=" + std::string(253, 'a') + "  b", std::string(253, 'a')},
      {"longer value cut to 254", "Automin=" + std::string(400, 'c'), std::string(254, 'c')},
      {"no such key", "Autorun=1", ""},
  };
  for (const auto& c : cases) {
    WriteFile(file.Path(), "[Setting]\n" + c.line + "\n");
    EXPECT_EQ(settings.ReadSetting(keys::Automin), c.expected) << c.what;
  }
  std::remove(file.Path().c_str());
  EXPECT_EQ(settings.ReadSetting(keys::Automin), "") << "no file";
}

TEST_F(SettingsTest, ListTextsRoundTripExactly) {
  for (const char* level : {"High", "Above Normal"}) {
    settings.WriteSetting(keys::ImproveSpeed, level);
    EXPECT_EQ(settings.ReadSetting(keys::ImproveSpeed), level);
  }
  settings.WriteSetting(keys::AutoFreeMemoryInterval, "10 minute");
  EXPECT_EQ(settings.ReadSetting(keys::AutoFreeMemoryInterval), "10 minute");
}

TEST_F(SettingsTest, FirstWriteCreatesTheFileWithOnlyThatKey) {
  settings.WriteSetting(keys::EnableFreeMemory, "1");
  EXPECT_EQ(ReadFile(file.Path()), "[Memory]\nEnableFreeMemory=1\n");
}

TEST_F(SettingsTest, WritingOneKeyLeavesEveryOtherLineAlone) {
  const std::string before =
      "[Process]\nEnableImproveProcess=1\nImproveSpeed=Above Normal\n[Memory]\nEnableFreeMemory=0\n"
      "AutoFreeMemoryInterval=5 minute\n[Setting]\nAutorun=0\nAutomin=0\n[Other tool]\nColour=blue\n";
  WriteFile(file.Path(), before);
  settings.WriteSetting(keys::Autorun, CheckValueText(true));
  const std::string afterFirst = ReadFile(file.Path());
  EXPECT_EQ(afterFirst.find("Autorun=1\n"), before.find("Autorun=0\n"));
  settings.WriteSetting(keys::Autorun, CheckValueText(false));
  EXPECT_EQ(ReadFile(file.Path()), before);
}

TEST_F(SettingsTest, UnwritableFileIsIgnoredQuietly) {
  LinuxProfileFile unwritable("/proc/self/tarvelo-test/Config.ini");
  Settings s(unwritable);
  s.WriteSetting(keys::Automin, "1");  // no exception, no message
  EXPECT_EQ(s.ReadSetting(keys::Automin), "");
}

// The user's Config.ini and the system-wide one, as the program reads them.
TEST(SettingsSwitch, TheUsersValueWinsOverTheSystemWideDefault) {
  const struct {
    const char* what;
    const char* user;    // the file's text, nullptr: no file
    const char* system;  // the same for the system-wide file
    bool enabled;
  } cases[] = {
      {"neither file", nullptr, nullptr, true},
      {"neither sets it", "[Setting]\nAutorun=1\n", "[Other]\nEnableAd=0\n", true},
      {"the user turns it off", "[Setting]\nEnableAd=0\n", nullptr, false},
      {"the system turns it off", nullptr, "[Setting]\nEnableAd=0\n", false},
      {"names in any case, spaces", nullptr, "[setting]\n  enablead =  0 \n", false},
      {"user 1 over system 0", "[Setting]\nEnableAd=1\n", "[Setting]\nEnableAd=0\n", true},
      {"user 0 over system 1", "[Setting]\nEnableAd=0\n", "[Setting]\nEnableAd=1\n", false},
      {"an empty user value leaves it to the system", "[Setting]\nEnableAd=\n", "[Setting]\nEnableAd=0\n", false},
      {"a garbled user value leaves it to the system", "[Setting]\nEnableAd=no\n", "[Setting]\nEnableAd=0\n",
       false},
      {"a garbled value everywhere is the default", "[Setting]\nEnableAd=off\n", "[Setting]\nEnableAd=00\n",
       true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.user != nullptr) WriteFile(dir.File("Config.ini"), c.user);
    if (c.system != nullptr) WriteFile(dir.File("system.ini"), c.system);
    LinuxProfileFile user(dir.File("Config.ini"));
    LinuxProfileFile system(dir.File("system.ini"));
    EXPECT_EQ(AdEnabled(Settings(user, &system)), c.enabled) << c.what;
  }
  TempDir dir;
  WriteFile(dir.File("Config.ini"), "[Setting]\nEnableAd=0\n");
  LinuxProfileFile user(dir.File("Config.ini"));
  EXPECT_FALSE(AdEnabled(Settings(user))) << "no system-wide file";
}

TEST(CheckValueFromSetting, OnlyTheWholeNumberOneChecks) {
  const struct {
    const char* text;
    int value;
  } cases[] = {{"1", 1}, {"+1", 1}, {"01", 1}, {"0", 0}, {"", 0}, {"2", 0}, {"-1", 0},
               {"yes", 0}, {"1x", 0}, {"1.0", 0}, {"99999999999999999999999", 0}};
  for (const auto& c : cases) EXPECT_EQ(CheckValueFromSetting(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace tarvelo
