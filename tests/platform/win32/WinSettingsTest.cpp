#include <gtest/gtest.h>

#include <filesystem>

#include "app/ModuleAutorun.h"
#include "settings/Settings.h"
#include "platform/win32/WinAutostartEntry.h"
#include "platform/win32/WinProfileFile.h"
#include "support/TempDir.h"
#include "WinTestSupport.h"

namespace tarvelo {
namespace {

using platform::win32_impl::UniqueRegKey;
using platform::win32_impl::WinAutostartEntry;
using platform::win32_impl::WinProfileFile;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using namespace std::string_literals;

// Config.ini through the system's profile functions. They write CRLF line
// ends, and they rewrite the whole file from what they parsed.
class WinSettingsTest : public ::testing::Test {
 protected:
  TempDir dir;
  WinProfileFile file{dir.File("Config.ini")};
  Settings settings{file};
};

TEST_F(WinSettingsTest, ReadSettingTrimsCutsAndStopsAtNul) {
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
      {"names without regard to case", "AUTOMIN=1", "1"},
  };
  for (const auto& c : cases) {
    WriteFile(file.Path(), "[Setting]\r\n" + c.line + "\r\n");
    EXPECT_EQ(settings.ReadSetting(keys::Automin), c.expected) << c.what;
  }
  std::filesystem::remove(file.Path());
  EXPECT_EQ(settings.ReadSetting(keys::Automin), "") << "no file";
}

TEST_F(WinSettingsTest, ListTextsRoundTripExactly) {
  for (const char* level : {"High", "Above Normal"}) {
    settings.WriteSetting(keys::ImproveSpeed, level);
    EXPECT_EQ(settings.ReadSetting(keys::ImproveSpeed), level);
  }
  settings.WriteSetting(keys::AutoFreeMemoryInterval, "10 minute");
  EXPECT_EQ(settings.ReadSetting(keys::AutoFreeMemoryInterval), "10 minute");
}

TEST_F(WinSettingsTest, FirstWriteCreatesTheFileWithOnlyThatKey) {
  settings.WriteSetting(keys::EnableFreeMemory, "1");
  EXPECT_EQ(ReadFile(file.Path()), "[Memory]\r\nEnableFreeMemory=1\r\n");
}

TEST_F(WinSettingsTest, WritingOneKeyLeavesEveryOtherKeyAndSectionAlone) {
  const std::string before =
      "[Process]\r\nEnableImproveProcess=1\r\nImproveSpeed=Above Normal\r\n[Memory]\r\nEnableFreeMemory=0\r\n"
      "AutoFreeMemoryInterval=5 minute\r\n[Setting]\r\nAutorun=0\r\nAutomin=0\r\n[Other tool]\r\nColour=blue\r\n";
  WriteFile(file.Path(), before);
  settings.WriteSetting(keys::Autorun, CheckValueText(true));
  const std::string afterFirst = ReadFile(file.Path());
  EXPECT_EQ(afterFirst.find("Autorun=1\r\n"), before.find("Autorun=0\r\n"));
  settings.WriteSetting(keys::Autorun, CheckValueText(false));
  EXPECT_EQ(ReadFile(file.Path()), before);
}

TEST_F(WinSettingsTest, ValuesThatWouldBreakTheFileAreRefused) {
  settings.WriteSetting(keys::ImproveSpeed, "High");
  const std::string before = ReadFile(file.Path());
  for (const std::string& value : {"High\r\nAutorun=1"s, "High\nAutomin=1"s, "A\0B"s}) {
    EXPECT_FALSE(file.WriteString("Process", "ImproveSpeed", value));
  }
  EXPECT_FALSE(file.WriteString("Process]\r\n[Setting", "Autorun", "1"));
  EXPECT_FALSE(file.WriteString("Process", "Autorun=1\r\nX", "1"));
  EXPECT_EQ(ReadFile(file.Path()), before);
}

TEST_F(WinSettingsTest, UnwritableFileIsIgnoredQuietly) {
  WinProfileFile unwritable(dir.File("no such directory\\Config.ini"));
  Settings s(unwritable);
  EXPECT_FALSE(unwritable.WriteString("Setting", "Automin", "1"));
  s.WriteSetting(keys::Automin, "1");  // no exception, no message
  EXPECT_EQ(s.ReadSetting(keys::Automin), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("no such directory")));
}

// The value "TVL" of HKEY_LOCAL_MACHINE's Run key; the one there before the
// test is put back after it.
class WinAutostartTest : public ::testing::Test {
 protected:
  WinAutostartTest() {
    previous_ = Value();
    if (!OpenRunKey()) skip_ = true;  // needs an administrator
  }
  ~WinAutostartTest() override {
    UniqueRegKey key = OpenRunKey();
    if (!key) return;
    if (previous_) {
      ::RegSetValueExA(key.Get(), "TVL", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_->c_str()),
                       static_cast<DWORD>(previous_->size() + 1));
    } else {
      ::RegDeleteValueA(key.Get(), "TVL");
    }
  }

  static UniqueRegKey OpenRunKey() {
    UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, WinAutostartEntry::kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        key.Receive()) != ERROR_SUCCESS) {
      return {};
    }
    return key;
  }

  // The data of "TVL" as stored, its type checked; nothing when it is absent.
  static std::optional<std::string> Value() {
    UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, WinAutostartEntry::kRunKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), "TVL", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_GT(size, 0u);
    EXPECT_EQ(data[size - 1], '\0') << "stored with its terminating NUL";
    return std::string(data, size - 1);
  }

  std::optional<std::string> previous_;
  bool skip_ = false;
};

TEST_F(WinAutostartTest, WritesTheQuotedPathAndRemovesIt) {
  if (skip_) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable for this account";
  WinAutostartEntry entry;
  ASSERT_TRUE(entry.Write("C:\\Program Files\\Tarvelo\\Tarvelo.exe"));
  // Quoted, so that Windows cannot take "C:\Program" for the program.
  EXPECT_EQ(Value(), "\"C:\\Program Files\\Tarvelo\\Tarvelo.exe\"");
  ASSERT_TRUE(entry.Write("D:\\Tools\\Tarvelo.exe"));
  EXPECT_EQ(Value(), "\"D:\\Tools\\Tarvelo.exe\"") << "replaces the earlier data";
  EXPECT_TRUE(entry.Remove());
  EXPECT_EQ(Value(), std::nullopt);
  EXPECT_TRUE(entry.Remove()) << "no value is no error";
  EXPECT_EQ(Value(), std::nullopt);
}

TEST_F(WinAutostartTest, StartWithWindowsFollowsTheCheckBoxAndTheSetting) {
  if (skip_) GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable for this account";
  TempDir dir;
  WinProfileFile file(dir.File("Config.ini"));
  Settings settings(file);
  WinAutostartEntry entry;
  ModuleAutorun autorun(entry, platform::ExecutablePath());
  StartOptions options(settings, autorun);

  options.CheckAutoRunClick(1);
  EXPECT_EQ(Value(), "\"" + platform::ExecutablePath() + "\"");
  EXPECT_EQ(ReadFile(file.Path()), "[Setting]\r\nAutorun=1\r\n");
  options.CheckAutoRunClick(0);
  EXPECT_EQ(Value(), std::nullopt);
  EXPECT_EQ(ReadFile(file.Path()), "[Setting]\r\nAutorun=0\r\n");

  // A value left by an earlier installation goes at a start with Autorun=0 ...
  ASSERT_TRUE(entry.Write("C:\\Old Place\\Tarvelo.exe"));
  EXPECT_EQ(options.LoadAutorun(), 0);
  EXPECT_EQ(Value(), std::nullopt);
  // ... and follows the program to its present place with Autorun=1.
  ASSERT_TRUE(entry.Write("C:\\Old Place\\Tarvelo.exe"));
  WriteFile(file.Path(), "[Setting]\r\nAutorun= 1 \r\n");
  EXPECT_EQ(options.LoadAutorun(), 1);
  EXPECT_EQ(Value(), "\"" + platform::ExecutablePath() + "\"");
  EXPECT_EQ(ReadFile(file.Path()), "[Setting]\r\nAutorun= 1 \r\n") << "start-up writes nothing";
}

}  // namespace
}  // namespace tarvelo
