#include <gtest/gtest.h>

#include <filesystem>

#include "app/ModuleAutorun.h"
#include "platform/linux/desktop/LinuxAutostartEntry.h"
#include "platform/linux/files/LinuxProfileFile.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::linux_impl::LinuxAutostartEntry;
using platform::linux_impl::LinuxProfileFile;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// The options over a real Config.ini and a real autostart entry in a
// temporary XDG directory; the program lives at `executable`.
class StartOptionsTest : public ::testing::Test {
 protected:
  explicit StartOptionsTest(std::string executable = "/opt/Tarvelo Apps/tarvelo")
      : autorun{entry, std::move(executable)} {
    std::filesystem::create_directories(dir.File("xdg/autostart"));
    std::filesystem::create_directories(entryDir);
  }

  std::string Entry() const { return ReadFile(entryDir + "/tarvelo.desktop"); }
  bool EntryExists() const { return std::filesystem::exists(entryDir + "/tarvelo.desktop"); }
  std::string Config() const { return ReadFile(file.Path()); }

  TempDir dir;
  // The program file is no root-only one: its entry is the user's, even
  // though the machine-wide folder is there.
  std::string entryDir = dir.File("home/autostart");
  LinuxAutostartEntry entry{dir.File("xdg/autostart"), entryDir};
  LinuxProfileFile file{dir.File("Config.ini")};
  Settings settings{file};
  ModuleAutorun autorun;
  StartOptions options{settings, autorun};
};

TEST_F(StartOptionsTest, StartWithWindowsAddsAndRemovesTheEntryAndStoresTheValue) {
  options.CheckAutoRunClick(1);
  EXPECT_NE(Entry().find("\nExec=\"/opt/Tarvelo Apps/tarvelo\"\n"), std::string::npos) << Entry();
  EXPECT_EQ(Config(), "[Setting]\nAutorun=1\n");

  options.CheckAutoMinClick(1);  // stored only; the entry stays as it is
  EXPECT_TRUE(EntryExists());
  EXPECT_EQ(Config(), "[Setting]\nAutorun=1\nAutomin=1\n");

  options.CheckAutoRunClick(0);
  EXPECT_FALSE(EntryExists());
  EXPECT_EQ(Config(), "[Setting]\nAutorun=0\nAutomin=1\n");
}

TEST_F(StartOptionsTest, StartUpBringsTheEntryInLineWithTheSettingAndThePresentPath) {
  const struct {
    std::string autorun;  // the [Setting] Autorun line, "" for none
    int value;
    bool entry;
  } cases[] = {
      {"Autorun=1", 1, true}, {"Autorun= 1 ", 1, true},   {"Autorun=0", 0, false},
      {"", 0, false},         {"Autorun=yes", 0, false}, {"Autorun=2", 0, false},
  };
  for (const auto& c : cases) {
    // An entry left by an earlier start from another folder.
    WriteFile(entryDir + "/tarvelo.desktop", "[Desktop Entry]\nExec=\"/old/place/tarvelo\"\n");
    WriteFile(file.Path(), "[Setting]\n" + c.autorun + "\nAutomin=1\n");
    EXPECT_EQ(options.LoadAutorun(), c.value) << c.autorun;
    ASSERT_EQ(EntryExists(), c.entry) << c.autorun;
    if (c.entry) {
      EXPECT_NE(Entry().find("\nExec=\"/opt/Tarvelo Apps/tarvelo\"\n"), std::string::npos) << c.autorun;
      EXPECT_EQ(Entry().find("/old/place"), std::string::npos) << c.autorun;
    }
    EXPECT_EQ(options.LoadAutomin(), 1);
    EXPECT_EQ(Config(), "[Setting]\n" + c.autorun + "\nAutomin=1\n") << "start-up writes nothing";
  }
}

}  // namespace
}  // namespace tarvelo
