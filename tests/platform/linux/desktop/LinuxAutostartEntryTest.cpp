#include "platform/linux/desktop/LinuxAutostartEntry.h"

#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/linux/files/FileIo.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::ReadFile;
using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

// A program file that only root can change, on every Debian system.
constexpr char kRootsProgram[] = "/usr/bin/env";

// The Exec line of the entry for a path, "" when there is no entry.
std::string ExecLine(const std::string& path) {
  const auto entry = LinuxAutostartEntry::DesktopEntry(path);
  if (!entry) return "";
  const auto start = entry->find("\nExec=");
  return entry->substr(start + 1, entry->find('\n', start + 1) - start - 1);
}

TEST(LinuxAutostartEntry, ExecQuotesThePathSoTheSessionRunsExactlyIt) {
  const struct {
    std::string path, exec;
  } cases[] = {
      {"/usr/bin/tarvelo", R"(Exec="/usr/bin/tarvelo")"},
      {"/opt/My Apps/tarvelo", R"(Exec="/opt/My Apps/tarvelo")"},
      {R"(/a "quoted" dir/tarvelo)", R"(Exec="/a \\"quoted\\" dir/tarvelo")"},
      {"/$HOME/`id`/tarvelo", R"(Exec="/\\$HOME/\\`id\\`/tarvelo")"},
      {R"(/back\slash/tarvelo)", R"(Exec="/back\\\\slash/tarvelo")"},
      {"/100%/tarvelo", R"(Exec=env "/100%%/tarvelo")"},
      {"/Programme/Größe 日本/tarvelo", R"(Exec="/Programme/Größe 日本/tarvelo")"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExecLine(c.path), c.exec) << c.path;

  const auto entry = LinuxAutostartEntry::DesktopEntry("/opt/My Apps/tarvelo");
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
  EXPECT_NE(entry->find("\nTryExec=/opt/My Apps/tarvelo\n"), std::string::npos);
}

TEST(LinuxAutostartEntry, PathsThatNoEntryCanHoldAreRefused) {
  using namespace std::string_literals;
  for (const std::string& path : {""s, "tarvelo"s, "bin/tarvelo"s, "/a\nExec=/bin/evil"s, "/tab\there"s,
                                   "/bad\xFF/utf8"s, "/overlong\xC0\xAF"s, "/nul\0x"s, "/50%=half/tarvelo"s}) {
    EXPECT_FALSE(LinuxAutostartEntry::DesktopEntry(path)) << path;
    TempDir dir;
    LinuxAutostartEntry autostart(dir.File("machine"), dir.File("user"));
    EXPECT_FALSE(autostart.Write(path));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
  }
}

TEST(LinuxAutostartEntry, WritesMachineWideWhereItCanElseForTheUser) {
  TempDir dir;
  const std::string machine = dir.File("xdg/autostart");
  const std::string user = dir.File("home/.config/autostart");
  LinuxAutostartEntry autostart(machine, user);

  // No machine-wide directory: the user's own, created as needed.
  ASSERT_TRUE(autostart.Write("/opt/old/tarvelo"));
  EXPECT_FALSE(std::filesystem::exists(machine));
  EXPECT_NE(ReadFile(user + "/tarvelo.desktop").find("Exec=\"/opt/old/tarvelo\"\n"), std::string::npos);

  // With it: machine-wide for a program only root can change, readable by
  // every user, and the user's copy, which would override it with the old
  // path, goes.
  std::filesystem::create_directories(machine);
  ASSERT_TRUE(autostart.Write(kRootsProgram));
  const std::string written = ReadFile(machine + "/tarvelo.desktop");
  EXPECT_NE(written.find("Exec=\"" + std::string(kRootsProgram) + "\"\n"), std::string::npos);
  EXPECT_EQ(written.find("/opt/old/"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(user + "/tarvelo.desktop"));
  struct stat st {};
  ASSERT_EQ(::stat((machine + "/tarvelo.desktop").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(LinuxAutostartEntry, AProgramThatAnOrdinaryUserCanReplaceGetsOnlyTheUsersEntry) {
  TempDir dir;
  const std::string machine = dir.File("xdg/autostart");
  const std::string user = dir.File("home/autostart");
  std::filesystem::create_directories(machine);
  LinuxAutostartEntry autostart(machine, user);
  // Under /tmp, a folder every user may write to; then in a folder of its
  // own that anyone may write to; then owned by another user.
  const std::string program = dir.File("tarvelo");
  WriteFile(program, "#!/bin/sh\n");
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  std::filesystem::create_directories(dir.File("open"));
  ASSERT_EQ(::chmod(dir.File("open").c_str(), 0777), 0);
  const std::string inOpenFolder = dir.File("open/tarvelo");
  WriteFile(inOpenFolder, "#!/bin/sh\n");
  for (const std::string& path : {program, inOpenFolder}) {
    EXPECT_FALSE(IsChangeableOnlyByRoot(path)) << path;
    ASSERT_TRUE(autostart.Write(path)) << path;
    EXPECT_FALSE(std::filesystem::exists(machine + "/tarvelo.desktop")) << path;
    EXPECT_NE(ReadFile(user + "/tarvelo.desktop").find(path), std::string::npos) << path;
  }
  EXPECT_TRUE(IsChangeableOnlyByRoot(kRootsProgram));
  EXPECT_TRUE(IsChangeableOnlyByRoot("/bin/env")) << "links that root made are followed (/bin)";
  EXPECT_FALSE(IsChangeableOnlyByRoot("/usr/bin/no-such-tarvelo"));
  EXPECT_FALSE(IsChangeableOnlyByRoot("/usr/bin")) << "a folder is no program";
}

TEST(LinuxAutostartEntry, GioReadsTheEntryAndStartsExactlyTheProgram) {
  // Each program writes a mark next to itself when it runs.
  TempDir dir;
  for (const std::string folder : {"plain", "100% sure", "My \"quoted\" $HOME `id` back\\slash", "Größe 日本"}) {
    const std::string program = dir.File(folder) + "/tarvelo";
    std::filesystem::create_directories(dir.File(folder));
    WriteFile(program, "#!/bin/sh\n: > \"$0.ran\"\n");
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    const auto entry = LinuxAutostartEntry::DesktopEntry(program);
    ASSERT_TRUE(entry) << program;

    GKeyFile* keys = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_data(keys, entry->data(), entry->size(), G_KEY_FILE_NONE, nullptr)) << program;
    GDesktopAppInfo* info = g_desktop_app_info_new_from_keyfile(keys);
    g_key_file_unref(keys);
    ASSERT_NE(info, nullptr) << "GIO rejects the entry for " << program;
    GError* error = nullptr;
    EXPECT_TRUE(g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error)) << (error ? error->message : "");
    if (error != nullptr) g_error_free(error);
    g_object_unref(info);
    bool ran = false;
    for (int i = 0; i < 600 && !ran; ++i) {
      ran = std::filesystem::exists(program + ".ran");
      if (!ran) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(ran) << program;
  }
}

TEST(LinuxAutostartEntry, RemoveTakesTheEntryOutOfEveryPlaceAndLeavesOthers) {
  TempDir dir;
  const std::string machine = dir.File("machine");
  const std::string user = dir.File("user");
  std::filesystem::create_directories(machine);
  std::filesystem::create_directories(user);
  WriteFile(machine + "/tarvelo.desktop", "[Desktop Entry]\n");
  WriteFile(user + "/tarvelo.desktop", "[Desktop Entry]\n");
  WriteFile(user + "/other.desktop", "[Desktop Entry]\n");
  LinuxAutostartEntry autostart(machine, user);

  EXPECT_TRUE(autostart.Remove());
  EXPECT_FALSE(std::filesystem::exists(machine + "/tarvelo.desktop"));
  EXPECT_FALSE(std::filesystem::exists(user + "/tarvelo.desktop"));
  EXPECT_TRUE(std::filesystem::exists(user + "/other.desktop"));
  EXPECT_TRUE(autostart.Remove()) << "nothing to remove is no failure";
}

TEST(LinuxAutostartEntry, SessionDirectoriesFollowTheXdgVariables) {
  const auto machine = [](const char* value) {
    if (value != nullptr) {
      ::setenv("XDG_CONFIG_DIRS", value, 1);
    } else {
      ::unsetenv("XDG_CONFIG_DIRS");
    }
    return LinuxAutostartEntry::SessionMachineDirectory();
  };
  EXPECT_EQ(machine(nullptr), "/etc/xdg/autostart");
  EXPECT_EQ(machine(""), "/etc/xdg/autostart");
  EXPECT_EQ(machine("/etc/xdg/session:/etc/xdg"), "/etc/xdg/session/autostart");
  EXPECT_EQ(machine("relative:/opt/xdg"), "/opt/xdg/autostart");
  ::unsetenv("XDG_CONFIG_DIRS");

  ::setenv("HOME", "/home/someone", 1);
  ::setenv("XDG_CONFIG_HOME", "/home/someone/conf", 1);
  EXPECT_EQ(LinuxAutostartEntry::SessionUserDirectory(), "/home/someone/conf/autostart");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(LinuxAutostartEntry::SessionUserDirectory(), "/home/someone/.config/autostart");
}

}  // namespace
}  // namespace platform::linux_impl
