// The booster under a real headless KWin (kwin_wayland --virtual) on a
// private session bus, with real clients: Tarvelo's script loaded into KWin,
// the window in front with its title and process, the nice value a boost
// gives, a client ending while in front, and KWin restarting. The clients are
// weston-terminal: foot ends at once with SIGFPE on KWin's virtual output.
// KWin runs as root like the test, so the bus needs no policy for a second user.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CompositorTestSupport.h"
#include "RealCompositorBooster.h"
#include "platform/linux/foreground/KWinForegroundWindow.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "platform/linux/SdBusHandles.h"
#include "support/PrivateBus.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::ProcessId;
using platform::WindowHandle;
using platform::linux_impl::KWinForegroundWindow;
using platform::linux_impl::SdBusError;
using platform::linux_impl::SdBusMessagePtr;
using platform::linux_impl::SdBusPtr;
using testing::FindOnPath;
using testing::NiceOf;
using testing::PrivateBus;
using testing::TempDir;
using testing::WaitFor;

// Generous: KWin and its clients start slowly on a busy machine.
constexpr auto kLimit = std::chrono::seconds(60);

// Ends a child process: asked first, killed when it does not end in time.
void EndProcess(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  int status = 0;
  if (!WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) != 0; }, std::chrono::seconds(30))) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
}

// Private headless KWins on the given bus, one at a time, and the clients
// started in them; all of them end with the object.
class HeadlessKWin {
 public:
  explicit HeadlessKWin(const std::string& busAddress)
      : busAddress_(busAddress), bus_(platform::linux_impl::OpenSessionBus(busAddress)) {
    // The installed program carries a file capability (CAP_SYS_RESOURCE, for
    // its limits); where the bounding set lacks it, as in many containers, its
    // exec fails with EPERM. A copy, which has no capability, runs there.
    program_ = FindOnPath("kwin_wayland");
    if (::prctl(PR_CAPBSET_READ, CAP_SYS_RESOURCE) != 1) {
      std::error_code ec;
      std::filesystem::copy_file(program_, dir_.File("kwin_wayland"), ec);
      program_ = dir_.File("kwin_wayland");
    }
  }
  ~HeadlessKWin() {
    while (!clients_.empty()) End(clients_.back());
    Stop();
  }
  HeadlessKWin(const HeadlessKWin&) = delete;
  HeadlessKWin& operator=(const HeadlessKWin&) = delete;

  // Starts a KWin and waits until its scripting interface answers.
  bool Start() { return Launch() && WaitUntilReady(); }
  // Starts a KWin, not waiting for it.
  bool Launch() {
    if (!bus_ || kwin_ > 0) return false;
    display_ = "wayland-" + std::to_string(++starts_);
    log_ = dir_.File("kwin-" + std::to_string(starts_) + ".log");
    // QPainter compositing spares a busy machine software OpenGL.
    kwin_ = Spawn({program_, "--virtual", "--width", "800", "--height", "600", "--no-lockscreen",
                   "--no-global-shortcuts", "--no-kactivities", "--socket", display_},
                  {"DBUS_SESSION_BUS_ADDRESS=" + busAddress_, "KWIN_COMPOSE=Q"}, log_, false);
    return kwin_ > 0;
  }
  bool WaitUntilReady() {
    int status = 0;
    WaitFor(
        [&] {
          if (::waitpid(kwin_, &status, WNOHANG) == kwin_) {
            kwin_ = -1;
            return true;
          }
          return std::filesystem::exists(dir_.File(display_)) && Scripting("isScriptLoaded", "none").has_value();
        },
        kLimit);
    return kwin_ > 0 && Scripting("isScriptLoaded", "none").has_value();
  }
  // Ends KWin; its clients end with it.
  void Stop() {
    EndProcess(kwin_);
    kwin_ = -1;
    for (const pid_t pid : clients_) EndProcess(pid);
    clients_.clear();
  }
  // What the last KWin wrote, for a failure's message.
  std::string Log() const { return testing::ReadFile(log_); }
  const std::string& Dir() const { return dir_.Path(); }

  // A terminal that sets its window's title as soon as it runs.
  pid_t StartClient(const std::string& title) {
    const std::string shell = dir_.File(title + ".sh");
    testing::WriteFile(shell, "#!/bin/sh\nprintf '\\033]2;%s\\007' '" + title + "'\nexec cat >/dev/null\n");
    ::chmod(shell.c_str(), 0700);
    const pid_t pid = Spawn({"weston-terminal", "--shell=" + shell}, {"WAYLAND_DISPLAY=" + display_}, "/dev/null", true);
    if (pid > 0) clients_.push_back(pid);
    return pid;
  }
  void End(pid_t pid) {
    EndProcess(pid);
    std::erase(clients_, pid);
  }

  // Gives the focus to the window of a process, through a one-time script of
  // the test's own.
  bool Focus(pid_t pid) {
    const std::string name = "tarvelo-test-focus-" + std::to_string(++focusScripts_);
    const std::string path = dir_.File(name + ".js");
    testing::WriteFile(path,
                       "(function () {\n"
                       "  var six = !!workspace.windowList;\n"
                       "  var all = six ? workspace.windowList() : workspace.clientList();\n"
                       "  for (var i = 0; i < all.length; ++i) {\n"
                       "    if (all[i].pid !== " + std::to_string(pid) + ") continue;\n"
                       "    if (six) workspace.activeWindow = all[i]; else workspace.activeClient = all[i];\n"
                       "  }\n"
                       "})();\n");
    SdBusError error;
    sd_bus_message* reply = nullptr;
    int r = sd_bus_call_method(bus_.get(), "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript",
                               error.Get(), &reply, "ss", path.c_str(), name.c_str());
    SdBusMessagePtr owned(reply);
    std::int32_t id = -1;
    if (r < 0 || sd_bus_message_read(reply, "i", &id) < 0 || id < 0) return false;
    // The script's object: Plasma 6 and Plasma 5 paths.
    for (const std::string& object : {"/Scripting/Script" + std::to_string(id), "/" + std::to_string(id)}) {
      r = sd_bus_call_method(bus_.get(), "org.kde.KWin", object.c_str(), "org.kde.kwin.Script", "run", nullptr,
                             nullptr, "");
      if (r >= 0) return true;
    }
    return false;
  }

  // Whether KWin has a script of this name loaded; nothing when KWin does
  // not answer.
  std::optional<bool> ScriptLoaded(const std::string& name) { return Scripting("isScriptLoaded", name); }

 private:
  std::optional<bool> Scripting(const char* method, const std::string& name) {
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus_.get(), "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", method,
                                     nullptr, &reply, "s", name.c_str());
    SdBusMessagePtr owned(reply);
    int loaded = 0;
    if (r < 0 || sd_bus_message_read(reply, "b", &loaded) < 0) return std::nullopt;
    return loaded != 0;
  }

  // A program of the session; a client in a session of its own, so that a
  // boost of its autogroup touches nothing else.
  pid_t Spawn(std::vector<std::string> args, std::vector<std::string> env, const std::string& output, bool client) {
    env.push_back("XDG_RUNTIME_DIR=" + dir_.Path());
    env.push_back("HOME=" + dir_.Path());
    env.push_back("PATH=/usr/local/bin:/usr/bin:/bin");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Ends with the test even when the test itself dies.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (client) ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(null, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  TempDir dir_;
  std::string program_;
  std::string busAddress_;
  SdBusPtr bus_;
  pid_t kwin_ = -1;
  int starts_ = 0;
  int focusScripts_ = 0;
  std::string display_;
  std::string log_;
  std::vector<pid_t> clients_;
};

TEST(KWinWaylandForegroundTest, TheBoosterRaisesTheActiveClientOfARealKWin) {
  for (const char* tool : {"kwin_wayland", "weston-terminal", "dbus-daemon"}) {
    if (FindOnPath(tool).empty()) {
      TARVELO_SKIP_OR_FAIL_IN_CI(tool << " is missing (scripts/install-deps.sh installs it)");
    }
  }
  PrivateBus bus;
  if (!bus.Started()) TARVELO_SKIP_OR_FAIL_IN_CI(bus.Error());
  HeadlessKWin kwin(bus.Address());
  if (!kwin.Start()) TARVELO_SKIP_OR_FAIL_IN_CI("kwin_wayland did not start within 60 s:\n" << kwin.Log());

  platform::linux_impl::LinuxProcessPriorities priorities;
  const bool mayRaise = priorities.MayRaiseTo(platform::PriorityClass::High);
  {
    KWinForegroundWindow windows(bus.Address(), kwin.Dir());
    ASSERT_TRUE(windows.ScriptLoaded()) << windows.WhyUnseen();
    EXPECT_EQ(kwin.ScriptLoaded(KWinForegroundWindow::kPluginName), true);
    testing::RealCompositorBooster front(windows, priorities, kLimit, [&] { return kwin.Log(); });

    const pid_t alpha = kwin.StartClient("Alpha");
    ASSERT_GT(alpha, 0);
    const WindowHandle alphaWindow = front.WaitForFront(alpha, "Alpha");
    front.TickBoosts(alpha, "Alpha");

    // A new client takes the focus.
    const pid_t beta = kwin.StartClient("Beta");
    ASSERT_GT(beta, 0);
    front.WaitForFront(beta, "Beta");
    front.TickBoosts(beta, "Beta");
    if (mayRaise) {
      EXPECT_EQ(NiceOf(alpha), 0) << "the one before is back at Normal";
    }

    // Focus moved by hand, twice in a row before the booster asks.
    ASSERT_TRUE(kwin.Focus(alpha));
    ASSERT_TRUE(kwin.Focus(beta));
    ASSERT_TRUE(kwin.Focus(alpha));
    EXPECT_EQ(front.WaitForFront(alpha, "Alpha"), alphaWindow);
    front.TickBoosts(alpha, "Alpha");
    if (mayRaise) {
      EXPECT_EQ(NiceOf(beta), 0);
    }

    // The client in front ends: its window names no process any more, and
    // the focus passes to the other one.
    kwin.End(alpha);
    const WindowHandle betaWindow = front.WaitForFront(beta, "Beta");
    EXPECT_EQ(windows.OwnerProcess(alphaWindow), 0u) << "no stale pid";
    front.TickBoosts(beta, "Beta");

    // The last client ends: no window is in front, nothing is boosted.
    kwin.End(beta);
    EXPECT_TRUE(WaitFor([&] { return windows.Foreground() == 0; }, kLimit));
    EXPECT_EQ(windows.OwnerProcess(betaWindow), 0u) << "no stale pid";
    EXPECT_FALSE(front.Booster().Tick(true, "High").has_value());

    // KWin ends: the booster says why it sees nothing. A new KWin comes up on
    // the same bus: the script is loaded into it again.
    kwin.Stop();
    EXPECT_TRUE(WaitFor([&] { return windows.Foreground() == 0 && !windows.ScriptLoaded(); }, kLimit));
    EXPECT_FALSE(windows.WhyUnseen().empty());
    // The booster keeps asking while KWin starts, as it may at any tick.
    ASSERT_TRUE(kwin.Launch());
    EXPECT_TRUE(WaitFor(
        [&] {
          windows.Foreground();
          return windows.ScriptLoaded();
        },
        kLimit))
        << windows.WhyUnseen() << "\n"
        << kwin.Log();
    ASSERT_TRUE(kwin.WaitUntilReady()) << "kwin_wayland did not start again:\n" << kwin.Log();
    EXPECT_EQ(kwin.ScriptLoaded(KWinForegroundWindow::kPluginName), true);
    const pid_t gamma = kwin.StartClient("Gamma");
    ASSERT_GT(gamma, 0);
    front.WaitForFront(gamma, "Gamma");
    front.TickBoosts(gamma, "Gamma");
    if (mayRaise) {
      EXPECT_FALSE(priorities.SetClass(gamma, platform::PriorityClass::Normal));
    } else {
      std::cout << "[ NOTE     ] without CAP_SYS_NICE the nice values were not checked\n";
    }
  }
  // Tarvelo's end unloads its script from KWin.
  EXPECT_EQ(kwin.ScriptLoaded(KWinForegroundWindow::kPluginName), false);
}

}  // namespace
}  // namespace tarvelo
