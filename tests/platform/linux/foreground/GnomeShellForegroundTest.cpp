// The booster under a real headless GNOME Shell, with Tarvelo's own Shell
// extensions installed for the user and enabled the way the booster page
// says, and real clients (foot): the window in front, its title and process,
// and the nice value a boost gives. The Shell gets a private bus of the
// test's own as its session bus and as its system bus (where no logind
// answers); it runs as the test's user, root included.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CompositorTestSupport.h"
#include "RealCompositorBooster.h"
#include "platform/linux/foreground/GnomeShellForegroundWindow.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::ProcessId;
using platform::WindowHandle;
using platform::linux_impl::GnomeShellForegroundWindow;
using platform::linux_impl::OpenSessionBus;
using platform::linux_impl::SdBusError;
using platform::linux_impl::SdBusMessagePtr;
using testing::InCi;
using testing::NiceOf;
using testing::FindOnPath;
using testing::PrivateBus;
using testing::TempDir;
using testing::WaitFor;

namespace fs = std::filesystem;

// Generous: the Shell renders in software, and the machine may be busy.
constexpr auto kStartLimit = std::chrono::seconds(180);
constexpr auto kEventLimit = std::chrono::seconds(60);

// A private headless GNOME Shell (Wayland only, no Xwayland) and the clients
// started in it; all of them end with the object. Its home holds both of
// Tarvelo's extensions, neither enabled, as after installing the program.
class HeadlessGnomeShell {
 public:
  explicit HeadlessGnomeShell(const std::string& busAddress)
      : busAddress_(busAddress), control_(OpenSessionBus(busAddress)) {
    std::error_code ec;
    const fs::path extensions = fs::path(Home()) / ".local/share/gnome-shell/extensions";
    fs::create_directories(extensions, ec);
    for (const char* uuid : {GnomeShellForegroundWindow::kExtensionUuid,
                             GnomeShellForegroundWindow::kLegacyExtensionUuid}) {
      fs::copy(fs::path(TARVELO_SOURCE_DIR) / "src/platform/linux/foreground/gnome-shell" / uuid, extensions / uuid,
               fs::copy_options::recursive, ec);
    }
    // Settings in a file of the home (a user's first start shows no welcome
    // tour); the runtime directory only the user may enter.
    fs::create_directories(fs::path(Home()) / ".config/glib-2.0/settings", ec);
    testing::WriteFile(Home() + "/.config/glib-2.0/settings/keyfile",
                       "[org/gnome/shell]\nwelcome-dialog-last-shown-version='999'\n");
    fs::create_directories(RuntimeDir(), ec);
    ::chmod(RuntimeDir().c_str(), 0700);
    shell_ = Spawn({"gnome-shell", "--headless", "--wayland", "--no-x11", "--unsafe-mode", "--virtual-monitor",
                    "1024x768", "--wayland-display=wayland-1"},
                   false, dir_.File("shell.log"));
  }
  ~HeadlessGnomeShell() {
    while (!clients_.empty()) End(clients_.back());
    if (shell_ > 0) End(shell_);
  }
  HeadlessGnomeShell(const HeadlessGnomeShell&) = delete;
  HeadlessGnomeShell& operator=(const HeadlessGnomeShell&) = delete;

  // Waits until the Shell has started up and shows the desktop rather than
  // the overview it opens with; false when it ended or did not get there.
  bool WaitUntilReady() {
    return WaitFor(
        [&] {
          if (ShellEnded()) return false;
          return Eval("if (!Main.layoutManager._startingUp) Main.overview.hide(); "
                      "Main.layoutManager._startingUp || Main.overview.visible") == "false";
        },
        kStartLimit);
  }
  bool ShellEnded() {
    int status = 0;
    if (shell_ > 0 && ::waitpid(shell_, &status, WNOHANG) == shell_) shell_ = -1;
    return shell_ <= 0;
  }

  // The Shell's own script interpreter (open in unsafe mode): the result as
  // JSON, or nothing when the call or the code failed.
  std::optional<std::string> Eval(const std::string& code) const {
    if (!control_) return std::nullopt;
    SdBusError error;
    sd_bus_message* raw = nullptr;
    if (sd_bus_call_method(control_.get(), "org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                           error.Get(), &raw, "s", code.c_str()) < 0) {
      return std::nullopt;
    }
    SdBusMessagePtr reply(raw);
    int ok = 0;
    const char* result = nullptr;
    if (sd_bus_message_read(raw, "bs", &ok, &result) < 0 || ok == 0) return std::nullopt;
    return std::string(result);
  }

  // The Shell's version as it tells it on the bus, such as "43.9".
  std::string Version() const {
    char* version = nullptr;
    SdBusError error;
    if (!control_ || sd_bus_get_property_string(control_.get(), "org.gnome.Shell", "/org/gnome/Shell",
                                                "org.gnome.Shell", "ShellVersion", error.Get(), &version) < 0) {
      return {};
    }
    std::string text = version;
    std::free(version);
    return text;
  }

  // Gives the focus to the window of a client, as a click on it would.
  bool Focus(pid_t pid) const {
    return Eval("Main.activateWindow(global.display.list_all_windows().find(w => w.get_pid() === " +
                std::to_string(pid) + "), global.get_current_time()); true") == "true";
  }

  // A terminal with this title in a session of its own (so that a boost of
  // its autogroup touches nothing else). A line written to retitle (a fifo
  // made here) becomes its new title.
  pid_t StartClient(const std::string& title, const std::string& retitle) {
    if (::mkfifo(retitle.c_str(), 0600) != 0) return -1;
    const pid_t pid = Spawn({"foot", "--title=" + title, "sh", "-c",
                             "read -r line < \"$0\" && printf '\\033]2;%s\\007' \"$line\"; exec sleep 600", retitle},
                            true, "/dev/null");
    if (pid > 0) clients_.push_back(pid);
    return pid;
  }

  // Runs a command-line tool in the Shell's session; its exit status.
  int Run(std::vector<std::string> args) {
    const pid_t pid = Spawn(std::move(args), false, dir_.File("tool.log"));
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Ends a client (with everything in its session) or the Shell.
  void End(pid_t pid) {
    if (pid <= 0) return;
    const bool client = pid != shell_;
    ::kill(client ? -pid : pid, SIGTERM);
    int status = 0;
    if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(30))) {
      ::kill(client ? -pid : pid, SIGKILL);
      ::waitpid(pid, &status, 0);
    }
    if (client) ::kill(-pid, SIGKILL);  // what is left of its session
    clients_.erase(std::remove(clients_.begin(), clients_.end(), pid), clients_.end());
    if (pid == shell_) shell_ = -1;
  }

  std::string Home() const { return dir_.File("home"); }
  std::string RuntimeDir() const { return dir_.File("run"); }
  std::string File(const std::string& name) const { return dir_.File(name); }
  // The end of what the Shell printed, to show with a failure.
  std::string LogTail() const {
    const std::string log = testing::ReadFile(dir_.File("shell.log"));
    return log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
  }

 private:
  pid_t Spawn(std::vector<std::string> args, bool client, const std::string& output) {
    std::vector<std::string> env{"HOME=" + Home(),
                                 "XDG_RUNTIME_DIR=" + RuntimeDir(),
                                 "PATH=/usr/local/bin:/usr/bin:/bin",
                                 "LANG=C.UTF-8",
                                 "GSETTINGS_BACKEND=keyfile",
                                 "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
                                 "DBUS_SYSTEM_BUS_ADDRESS=" + busAddress_,
                                 "XDG_SESSION_TYPE=wayland",
                                 "XDG_CURRENT_DESKTOP=GNOME"};
    if (client) env.push_back("WAYLAND_DISPLAY=wayland-1");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (client) ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // none outlives a test that crashed
    const int null = ::open("/dev/null", O_RDONLY);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ::dup2(null, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  TempDir dir_;
  std::string busAddress_;
  platform::linux_impl::SdBusPtr control_;  // the test's own calls to the Shell
  pid_t shell_ = -1;
  std::vector<pid_t> clients_;
};

// Writes a line to a client's fifo once the client reads it.
bool WriteLine(const std::string& fifo, const std::string& line) {
  int fd = -1;
  WaitFor([&] { return (fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; }, kEventLimit);
  if (fd < 0) return false;
  const std::string text = line + "\n";
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  return written;
}

TEST(GnomeShellForegroundTest, TheBoosterRaisesTheFocusedClientOfARealGnomeShell) {
  for (const char* tool : {"gnome-shell", "gnome-extensions", "foot", "dbus-daemon"}) {
    if (FindOnPath(tool).empty()) {
      if (InCi()) FAIL() << tool << " is missing (scripts/install-deps.sh installs it)";
      GTEST_SKIP() << tool << " is not installed";
    }
  }
  PrivateBus bus;
  ASSERT_TRUE(bus.Started()) << bus.Error();
  HeadlessGnomeShell shell(bus.Address());
  ASSERT_TRUE(shell.WaitUntilReady()) << "GNOME Shell did not start within 180 s:\n" << shell.LogTail();

  // The page names the extension made for this Shell (its API changed with
  // GNOME 45) and the command that enables it; the user runs that command.
  const std::string version = shell.Version();
  ASSERT_FALSE(version.empty());
  const std::string uuid = std::stoi(version) < 45 ? GnomeShellForegroundWindow::kLegacyExtensionUuid
                                                   : GnomeShellForegroundWindow::kExtensionUuid;
  GnomeShellForegroundWindow windows(bus.Address());
  const std::string command = "gnome-extensions enable " + uuid + " ";
  ASSERT_TRUE(WaitFor([&] {
    windows.Foreground();
    return windows.WhyUnseen().find(command) != std::string::npos;
  }, kEventLimit)) << "GNOME Shell " << version << ": " << windows.WhyUnseen();
  ASSERT_EQ(shell.Run({"gnome-extensions", "enable", uuid}), 0) << testing::ReadFile(shell.File("tool.log"));
  // The extension answers: nothing is in front yet.
  ASSERT_TRUE(WaitFor([&] {
    windows.Foreground();
    return windows.WhyUnseen().empty();
  }, kEventLimit)) << windows.WhyUnseen() << "\n" << shell.LogTail();

  platform::linux_impl::LinuxProcessPriorities priorities;
  const bool mayRaise = priorities.MayRaiseTo(platform::PriorityClass::High);
  testing::RealCompositorBooster front(windows, priorities, kEventLimit, [&] { return shell.LogTail(); });

  const pid_t alpha = shell.StartClient("Alpha", shell.File("alpha.fifo"));
  ASSERT_GT(alpha, 0);
  const WindowHandle alphaWindow = front.WaitForFront(alpha, "Alpha");
  front.TickBoosts(alpha, "Alpha");

  // A new client takes the focus.
  const pid_t beta = shell.StartClient("Beta", shell.File("beta.fifo"));
  ASSERT_GT(beta, 0);
  const WindowHandle betaWindow = front.WaitForFront(beta, "Beta");
  front.TickBoosts(beta, "Beta");
  if (mayRaise) {
    EXPECT_EQ(NiceOf(alpha), 0) << "the one before is back at Normal";
  }

  // Focus moved by hand, twice in a row before the booster asks; the title
  // of the window in front changes to text that looks like markup.
  ASSERT_TRUE(shell.Focus(alpha));
  ASSERT_TRUE(shell.Focus(beta));
  ASSERT_TRUE(shell.Focus(alpha));
  EXPECT_EQ(front.WaitForFront(alpha, "Alpha"), alphaWindow);
  front.TickBoosts(alpha, "Alpha");
  if (mayRaise) {
    EXPECT_EQ(NiceOf(beta), 0);
  }
  ASSERT_TRUE(WriteLine(shell.File("alpha.fifo"), "<b>Alpha</b> & co"));
  EXPECT_EQ(front.WaitForFront(alpha, "<b>Alpha</b> & co"), alphaWindow);

  // The focused client ends: its window names no process any more, and the
  // focus passes to the other one.
  shell.End(alpha);
  EXPECT_TRUE(WaitFor([&] {
    windows.Foreground();
    return windows.OwnerProcess(alphaWindow) == 0;
  }, kEventLimit)) << "no stale pid";
  EXPECT_EQ(front.WaitForFront(beta, "Beta"), betaWindow);
  front.TickBoosts(beta, "Beta");

  if (mayRaise) {
    EXPECT_FALSE(priorities.SetClass(beta, platform::PriorityClass::Normal));
  } else {
    std::cout << "[ NOTE     ] without CAP_SYS_NICE the nice values were not checked\n";
  }
  if (HasFailure()) std::cout << "GNOME Shell's output:\n" << shell.LogTail() << "\n";
}

}  // namespace
}  // namespace tarvelo
