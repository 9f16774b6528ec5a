#include "platform/linux/desktop/LinuxFileIcons.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

TEST(LinuxFileIcons, FindsTheIconOfTheDesktopEntryThatRunsTheProgram) {
  TempDir root;
  const std::string bin = root.File("bin");
  const std::string apps = root.File("share/applications");
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(apps);
  auto program = [&](const std::string& name) {
    WriteFile(bin + "/" + name, "#!/bin/sh\n");
    ::chmod((bin + "/" + name).c_str(), 0755);
    return bin + "/" + name;
  };
  const std::string editor = program("tarvelo-test-editor");
  const std::string viewer = program("tarvelo-test-viewer");
  const std::string game = program("tarvelo-test-game");
  const std::string plain = program("tarvelo-test-plain");
  const std::string twice = program("tarvelo-test-twice");
  auto entry = [&](const std::string& file, const std::string& body) {
    WriteFile(apps + "/" + file, "[Desktop Entry]\nType=Application\nName=" + file + "\n" + body);
  };
  entry("editor.desktop", "Exec=" + editor + " %F\nIcon=accessories-text-editor\n");
  entry("viewer.desktop", "Exec=tarvelo-test-viewer --new\nIcon=" + root.File("viewer.png") + "\n");
  entry("game.desktop", "Exec=sh -c launch-game\nStartupWMClass=Tarvelo-Test-Game\nIcon=game-icon\n");
  entry("twice-a.desktop", "Exec=tarvelo-test-twice --a\nIcon=icon-a\n");
  entry("twice-b.desktop", "Exec=tarvelo-test-twice --b\nIcon=icon-b\n");
  // The registry is read from these directories alone.
  ::setenv("XDG_DATA_DIRS", root.File("share").c_str(), 1);
  ::setenv("XDG_DATA_HOME", root.File("nothing").c_str(), 1);
  ::setenv("PATH", (bin + ":/usr/bin:/bin").c_str(), 1);

  LinuxFileIcons icons;
  EXPECT_EQ(icons.IconOf(editor), (IconSource{"accessories-text-editor", ""}));
  EXPECT_EQ(icons.IconOf(viewer), (IconSource{"", root.File("viewer.png")}));
  EXPECT_EQ(icons.IconOf(game), (IconSource{"game-icon", ""}));
  EXPECT_EQ(icons.IconOf(plain), IconSource{});
  EXPECT_EQ(icons.IconOf("/no/such/program"), IconSource{});
  EXPECT_EQ(icons.IconOf("/bin/sh"), IconSource{}) << "an entry that runs sh is not the shell's icon";
  EXPECT_EQ(icons.IconOf(twice), IconSource{}) << "two entries, two icons: neither";
}

}  // namespace
}  // namespace platform::linux_impl
