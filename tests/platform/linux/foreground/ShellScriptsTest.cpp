// Tarvelo's GNOME Shell extensions and its KWin script, run by node against
// stand-ins of the shells' APIs (ShellScriptsHarness.mjs), with cases a real
// shell does not show on demand; GnomeShellForegroundTest runs the GNOME
// extension in a real GNOME Shell.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CompositorTestSupport.h"
#include "platform/linux/foreground/KWinForegroundWindow.h"
#include "support/TempDir.h"

extern char** environ;

namespace platform::linux_impl {
namespace {

using tarvelo::testing::InCi;
using tarvelo::testing::TempDir;

const std::string kSource = TARVELO_SOURCE_DIR;
const std::string kExtensions = kSource + "/src/platform/linux/foreground/gnome-shell/";

// node's exit status for the harness, or -1 when node could not run.
int RunHarness(const std::string& kind, const std::string& file) {
  std::vector<std::string> args{"node", kSource + "/tests/platform/linux/foreground/ShellScriptsHarness.mjs", kind, file};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, "node", nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ShellScriptsTest, ExtensionsAndKWinScriptReportTheFocusedWindow) {
  TempDir dir;
  tarvelo::testing::WriteFile(dir.File("kwin.js"), KWinForegroundWindow::ScriptText(":1.42"));
  const struct {
    const char* kind;
    std::string file;
  } cases[] = {
      {"gnome-module", kExtensions + "tarvelo-foreground@tarvelo.org/extension.js"},
      {"gnome-legacy", kExtensions + "tarvelo-foreground-legacy@tarvelo.org/extension.js"},
      {"kwin-6", dir.File("kwin.js")},
      {"kwin-5", dir.File("kwin.js")},
  };
  for (const auto& c : cases) {
    const int status = RunHarness(c.kind, c.file);
    if (status == -1) {
      if (InCi()) FAIL() << "node is missing (scripts/install-deps.sh installs nodejs)";
      GTEST_SKIP() << "node is not installed";
    }
    EXPECT_EQ(status, 0) << c.kind;
  }
}

}  // namespace
}  // namespace platform::linux_impl
