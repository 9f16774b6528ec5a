#include <gtest/gtest.h>

#include <filesystem>
#include <shlobj.h>

#include "platform/Locations.h"
#include "platform/win32/WinLocations.h"
#include "support/TempDir.h"
#include "WinTestSupport.h"

namespace platform::win32_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

// Where Config.ini goes for a program in each kind of folder.
TEST(WinLocationsTest, ConfigIniBesideAPortableCopyElseInTheUsersApplicationData) {
  TempDir appData;
  const std::string inAppData = appData.Path() + "\\Tarvelo";
  const std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
  ASSERT_FALSE(programFiles.empty());

  TempDir portable;
  TempDir installed;  // per user: where the installer left its uninstaller
  WriteFile(installed.Path() + "\\" + kUninstallerName, "MZ");
  TempDir installedWithOldConfig;
  WriteFile(installedWithOldConfig.Path() + "\\" + kUninstallerName, "MZ");
  WriteFile(installedWithOldConfig.Path() + "\\Config.ini", "[Setting]\r\n");
  const struct {
    const char* what;
    std::string programDirectory;
    std::string expected;
  } cases[] = {
      {"a portable copy in a folder it can write", portable.Path(), portable.Path()},
      {"installed per user, beside its uninstaller", installed.Path(), inAppData},
      {"an installed copy that already keeps a Config.ini", installedWithOldConfig.Path(),
       installedWithOldConfig.Path()},
      {"below Program Files", programFiles + "\\Tarvelo", inAppData},
      {"Program Files spelt in another case, with a slash", programFiles + "/TARVELO", inAppData},
      {"a folder that cannot be written", portable.Path() + "\\no such folder", inAppData},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(inAppData);
    EXPECT_EQ(SettingsDirectory(c.programDirectory, appData.Path()), c.expected) << c.what;
    EXPECT_EQ(std::filesystem::is_directory(inAppData), c.expected == inAppData) << c.what << ": the folder is made";
  }
  EXPECT_FALSE(std::filesystem::exists(portable.Path() + "\\Config.ini")) << "the write test leaves nothing";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(portable.Path()), {}), 0);
}

TEST(WinLocationsTest, TarveloConfigDirWins) {
  TempDir dir;
  ASSERT_TRUE(::SetEnvironmentVariableA("TARVELO_CONFIG_DIR", dir.Path().c_str()));
  _putenv_s("TARVELO_CONFIG_DIR", dir.Path().c_str());
  const std::string path = SettingsFilePath();
  _putenv_s("TARVELO_CONFIG_DIR", "");
  ::SetEnvironmentVariableA("TARVELO_CONFIG_DIR", nullptr);
  EXPECT_EQ(path, dir.Path() + "\\Config.ini");
  // Unset again: the test's own folder, a build tree, is a portable copy.
  EXPECT_EQ(SettingsFilePath(), ProgramDirectory() + "\\Config.ini");
}

}  // namespace
}  // namespace platform::win32_impl
