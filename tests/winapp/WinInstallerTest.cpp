// The installer built by cpack: a silent install, the installed program, a
// silent uninstall.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "platform/win32/WinAutostartEntry.h"
#include "platform/win32/WinLocations.h"
#include "support/TempDir.h"
#include "WinAppDriver.h"

namespace tarvelo::winapp::testing {
namespace {

using platform::win32_impl::ShellFolder;
using platform::win32_impl::UniqueRegKey;
using platform::win32_impl::WinAutostartEntry;
using tarvelo::testing::WriteFile;
namespace fs = std::filesystem;

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvelo";
constexpr char kInstallerKey[] = "Software\\Tarvelo";

// Tarvelo-<version>-setup.exe, which cpack leaves in the build's packages folder.
std::string FindSetup() {
  const fs::path packages = fs::path(platform::ProgramDirectory()).parent_path() / "packages";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(packages, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("Tarvelo-") && name.ends_with("-setup.exe")) return entry.path().string();
  }
  return {};
}

bool KeyExists(const char* path) {
  UniqueRegKey key;
  return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

// Runs a program with arguments to its end; its exit code, or STILL_ACTIVE.
DWORD RunToEnd(const std::string& exe, const std::string& arguments) {
  std::string commandLine = "\"" + exe + "\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
    return ::GetLastError();
  }
  const UniqueHandle process(info.hProcess);
  ::CloseHandle(info.hThread);
  DWORD code = STILL_ACTIVE;
  if (::WaitForSingleObject(process.Get(), 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.Get(), &code);
  return code;
}

TEST(WinInstallerTest, InstallsSilentlyRunsFromProgramFilesAndUninstallsWithoutTrace) {
  const std::string setup = FindSetup();
  ASSERT_FALSE(setup.empty()) << "no Tarvelo-*-setup.exe: run cpack in the build first";
  const std::string installDir = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Tarvelo";
  const std::string startMenu = ShellFolder(CSIDL_COMMON_PROGRAMS) + "\\Tarvelo";
  const std::string userDir = ShellFolder(CSIDL_APPDATA) + "\\Tarvelo";
  ASSERT_FALSE(fs::exists(installDir)) << "installed from before";

  ASSERT_EQ(RunToEnd(setup, "/S"), 0u);
  const std::string exe = installDir + "\\Tarvelo.exe";
  for (const char* file : {"Tarvelo.exe", "Tarvelo.ico", "Uninstall.exe"}) {
    EXPECT_TRUE(fs::exists(installDir + "\\" + file)) << file;
  }
  EXPECT_TRUE(fs::exists(startMenu + "\\Tarvelo.lnk")) << "the Start-menu entry";
  EXPECT_TRUE(KeyExists(kUninstallKey));

  // The installed copy keeps Config.ini in the user's application data: it
  // starts hidden and writes the Run value, as the file there says.
  fs::create_directories(userDir);
  WriteFile(userDir + "\\Config.ini", "[Setting]\r\nAutorun=1\r\nAutomin=1\r\n");
  {
    Tarvelo tarvelo(exe, "");
    ASSERT_TRUE(tarvelo.Started());
    const HWND window = tarvelo.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitFor([] { return RunValue().has_value(); })) << "Autorun=1 was not read";
    EXPECT_EQ(RunValue(), WinAutostartEntry::RunCommand(exe));
    EXPECT_FALSE(::IsWindowVisible(window)) << "Automin=1 was not read";
  }
  EXPECT_FALSE(fs::exists(installDir + "\\Config.ini"));

  // The uninstaller copies itself away and returns at once: wait for its work.
  ASSERT_EQ(RunToEnd(installDir + "\\Uninstall.exe", "/S"), 0u);
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(installDir); })) << "the program's folder stays";
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(startMenu); })) << "the Start-menu entry stays";
  EXPECT_TRUE(WaitFor([&] { return !KeyExists(kUninstallKey) && !KeyExists(kInstallerKey); }))
      << "the installer's keys stay";
  EXPECT_EQ(RunValue(), std::nullopt) << "the Run value stays";
  EXPECT_FALSE(fs::exists(userDir)) << "Config.ini stays";

  // Whatever failed above, nothing is left for the next run.
  std::error_code ignored;
  for (const std::string& dir : {installDir, startMenu, userDir}) fs::remove_all(dir, ignored);
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  WinAutostartEntry().Remove();
}

}  // namespace
}  // namespace tarvelo::winapp::testing
