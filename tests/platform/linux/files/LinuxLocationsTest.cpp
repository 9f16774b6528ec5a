// Where the program finds its settings file and its data files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/linux/files/LinuxLocations.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

TEST(LinuxLocations, SystemDirectoriesAreToldApartFromLookAlikes) {
  struct Case { const char* dir; bool system; };
  for (const Case& c : {Case{"/usr/bin", true}, Case{"/usr/local/bin", true}, Case{"/opt/tarvelo/bin", true},
                        Case{"/bin", true}, Case{"/", true}, Case{"/usr/", true}, Case{"/nix/store/x-tarvelo/bin", true},
                        Case{"/home/ann/tarvelo", false}, Case{"/usrdata/bin", false}, Case{"/optical", false},
                        Case{"/tmp/build/bin", false}, Case{"/media/stick/Tarvelo", false}}) {
    EXPECT_EQ(IsSystemDirectory(c.dir), c.system) << c.dir;
  }
}

// A prefix as an installation lays it out: prefix/bin and its data directory.
struct Prefix {
  TempDir root;
  std::string bin = root.File("bin");
  std::string user = root.File("config/tarvelo");
  Prefix() { std::filesystem::create_directories(bin); }
  void InstallData() {
    std::filesystem::create_directories(bin + "/" + std::string(DataDirectoryFromProgram()));
    WriteFile(bin + "/" + std::string(DataDirectoryFromProgram()) + "/Tarvelo.ico", "ico");
  }
};

TEST(LinuxLocations, SettingsStayWithAPortableCopyAndGoToTheUserForAnInstalledOne) {
  Prefix portable;  // a build tree or an unpacked copy: writable, no installed data
  EXPECT_EQ(SettingsDirectory(portable.bin, portable.user), portable.bin);

  Prefix installed;  // installed under a writable prefix, such as ~/.local
  installed.InstallData();
  EXPECT_EQ(SettingsDirectory(installed.bin, installed.user), installed.user);
  WriteFile(installed.bin + "/Config.ini", "[Setting]\n");  // a file already there is used
  EXPECT_EQ(SettingsDirectory(installed.bin, installed.user), installed.bin);

  // A system directory is never written into, even by root, who may write there.
  EXPECT_EQ(SettingsDirectory("/usr/bin", "/home/ann/.config/tarvelo"), "/home/ann/.config/tarvelo");
}

TEST(LinuxLocations, SettingsLeaveADirectoryThatCannotBeWritten) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write into any directory";
  Prefix copy;
  ASSERT_EQ(::chmod(copy.bin.c_str(), 0555), 0);
  EXPECT_EQ(SettingsDirectory(copy.bin, copy.user), copy.user);
}

TEST(LinuxLocations, TheSystemWideSettingsComeFromTheFirstConfigDirectoryThatHasThem) {
  TempDir root;
  const std::string first = root.File("first");
  const std::string second = root.File("second");
  const std::string third = root.File("third");
  std::filesystem::create_directories(first + "/tarvelo/Config.ini");  // a directory, not a file
  std::filesystem::create_directories(second + "/tarvelo");
  std::filesystem::create_directories(third + "/tarvelo");
  WriteFile(second + "/tarvelo/Config.ini", "[Setting]\n");
  WriteFile(third + "/tarvelo/Config.ini", "[Setting]\n");
  std::filesystem::create_directories(root.File("relative/tarvelo"));
  WriteFile(root.File("relative/tarvelo/Config.ini"), "[Setting]\n");
  const std::filesystem::path cwd = std::filesystem::current_path();
  std::filesystem::current_path(root.Path());

  const struct {
    std::string dirs;
    std::string expected;
  } cases[] = {
      {first + ":" + second + "/:" + third, second + "/tarvelo/Config.ini"},
      {third + "::" + second, third + "/tarvelo/Config.ini"},
      {"relative:" + first, ""},  // relative entries do not count
      {root.File("missing") + ":" + first, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SystemSettingsFilePath(c.dirs), c.expected) << c.dirs;
  // Empty: the XDG default, /etc/xdg.
  const bool inEtc = std::filesystem::is_regular_file("/etc/xdg/tarvelo/Config.ini");
  EXPECT_EQ(SystemSettingsFilePath(""), inEtc ? "/etc/xdg/tarvelo/Config.ini" : "");
  std::filesystem::current_path(cwd);
}

TEST(LinuxLocations, DataFilesAreFoundBesideTheProgramElseInTheInstalledDataDirectory) {
  Prefix prefix;
  // Neither place holds it: the place beside the program, where a message can point.
  EXPECT_EQ(DataFilePathIn(prefix.bin, "Tarvelo.ico"), prefix.bin + "/Tarvelo.ico");
  prefix.InstallData();
  EXPECT_EQ(DataFilePathIn(prefix.bin, "Tarvelo.ico"),
            prefix.bin + "/" + std::string(DataDirectoryFromProgram()) + "/Tarvelo.ico");
  WriteFile(prefix.bin + "/Tarvelo.ico", "ico");  // a copy beside the program comes first
  EXPECT_EQ(DataFilePathIn(prefix.bin, "Tarvelo.ico"), prefix.bin + "/Tarvelo.ico");
}

}  // namespace
}  // namespace platform::linux_impl
