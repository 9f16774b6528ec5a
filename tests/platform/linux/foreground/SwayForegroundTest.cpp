// The booster under a real headless sway with real clients (foot): the
// window in front, its title and process, and the nice value a boost gives.
// sway refuses to run as root, so when the test runs as root, sway and its
// clients run as "nobody" while the booster stays root.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "CompositorTestSupport.h"
#include "RealCompositorBooster.h"
#include "platform/linux/foreground/I3IpcForegroundWindow.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::ProcessId;
using platform::WindowHandle;
using platform::linux_impl::I3IpcForegroundWindow;
using platform::linux_impl::UniqueFd;
using testing::FindOnPath;
using testing::InCi;
using testing::NiceOf;
using testing::TempDir;
using testing::WaitFor;

constexpr uid_t kNobody = 65534;

// A private headless sway and the clients started in it; all of them end
// with the object.
class HeadlessSway {
 public:
  HeadlessSway() {
    asRoot_ = ::geteuid() == 0;
    if (asRoot_ && ::chown(dir_.Path().c_str(), kNobody, kNobody) != 0) return;
    testing::WriteFile(dir_.File("config"), "output HEADLESS-1 resolution 800x600\n");
    sway_ = Spawn({"sway", "-c", dir_.File("config")}, false);
  }
  ~HeadlessSway() {
    for (const pid_t pid : clients_) End(pid);
    if (sway_ > 0) End(sway_);
  }

  // The IPC socket once sway listens, or "".
  std::string WaitForSocket() {
    const std::string prefix = "sway-ipc." + std::to_string(asRoot_ ? kNobody : ::getuid()) + ".";
    std::string found;
    WaitFor(
        [&] {
          std::error_code ec;
          for (const auto& entry : std::filesystem::directory_iterator(dir_.Path(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(prefix)) found = entry.path().string();
          }
          int status = 0;
          return (!found.empty() && std::filesystem::exists(dir_.File("wayland-1"))) ||
                 ::waitpid(sway_, &status, WNOHANG) == sway_;
        },
        std::chrono::seconds(60));
    return std::filesystem::exists(dir_.File("wayland-1")) ? found : "";
  }
  pid_t StartClient(const std::string& title) {
    const pid_t pid = Spawn({"foot", "--title=" + title, "sh", "-c", "sleep 600"}, true);
    if (pid > 0) clients_.push_back(pid);
    return pid;
  }
  void End(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), pid), clients_.end());
    if (pid == sway_) sway_ = -1;
  }
  const std::string& RuntimeDir() const { return dir_.Path(); }

 private:
  // A program of sway's session, as its user; a client in a session of its
  // own, so that a boost of its autogroup touches nothing else.
  pid_t Spawn(std::vector<std::string> args, bool client) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (client) ::setsid();
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (asRoot_ && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) _exit(126);
    const std::string runtime = "XDG_RUNTIME_DIR=" + dir_.Path();
    const std::string home = "HOME=" + dir_.Path();
    std::vector<std::string> env{runtime, home, "PATH=/usr/local/bin:/usr/bin:/bin", "WLR_BACKENDS=headless",
                                 "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "WAYLAND_DISPLAY=wayland-1"};
    if (!client) env.pop_back();
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    ::execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }

  TempDir dir_;
  bool asRoot_ = false;
  pid_t sway_ = -1;
  std::vector<pid_t> clients_;
};

// Asks sway to run a command over its socket, as swaymsg does.
bool SwayCommand(const std::string& socket, const std::string& command) {
  UniqueFd fd = platform::linux_impl::ConnectUnixSocket(socket, false);
  if (!fd.Valid() || !testing::WriteAll(fd.Get(), I3IpcForegroundWindow::Message(0, command))) return false;
  const std::string header = testing::ReadBytes(fd.Get(), 14);
  if (header.size() != 14) return false;
  std::uint32_t length = 0;
  std::memcpy(&length, header.data() + 6, 4);
  return testing::ReadBytes(fd.Get(), length).find("\"success\": true") != std::string::npos;
}

TEST(SwayForegroundTest, TheBoosterRaisesTheFocusedClientOfARealSway) {
  for (const char* tool : {"sway", "foot"}) {
    if (FindOnPath(tool).empty()) {
      if (InCi()) FAIL() << tool << " is missing (scripts/install-deps.sh installs it)";
      GTEST_SKIP() << tool << " is not installed";
    }
  }
  HeadlessSway sway;
  const std::string socket = sway.WaitForSocket();
  ASSERT_FALSE(socket.empty()) << "sway did not start within 60 s";

  I3IpcForegroundWindow windows(socket, sway.RuntimeDir());
  platform::linux_impl::LinuxProcessPriorities priorities;
  const bool mayRaise = priorities.MayRaiseTo(platform::PriorityClass::High);
  testing::RealCompositorBooster front(windows, priorities, std::chrono::seconds(60));

  const pid_t alpha = sway.StartClient("Alpha");
  ASSERT_GT(alpha, 0);
  const WindowHandle alphaWindow = front.WaitForFront(alpha, "Alpha");
  front.TickBoosts(alpha, "Alpha");

  // A new client takes the focus.
  const pid_t beta = sway.StartClient("Beta");
  ASSERT_GT(beta, 0);
  front.WaitForFront(beta, "Beta");
  front.TickBoosts(beta, "Beta");
  if (mayRaise) {
    EXPECT_EQ(NiceOf(alpha), 0) << "the one before is back at Normal";
  }

  // Focus moved by hand, twice in a row before the booster asks.
  ASSERT_TRUE(SwayCommand(socket, "[pid=" + std::to_string(alpha) + "] focus"));
  ASSERT_TRUE(SwayCommand(socket, "[pid=" + std::to_string(beta) + "] focus"));
  ASSERT_TRUE(SwayCommand(socket, "[pid=" + std::to_string(alpha) + "] focus"));
  EXPECT_EQ(front.WaitForFront(alpha, "Alpha"), alphaWindow);
  front.TickBoosts(alpha, "Alpha");
  if (mayRaise) {
    EXPECT_EQ(NiceOf(beta), 0);
  }

  // The focused client ends: its window names no process any more, and the
  // focus passes to the other one.
  sway.End(alpha);
  EXPECT_TRUE(WaitFor([&] {
    windows.Foreground();
    return windows.OwnerProcess(alphaWindow) == 0;
  })) << "no stale pid";
  front.WaitForFront(beta, "Beta");
  front.TickBoosts(beta, "Beta");

  // Two clients of one title are two windows: the second is raised when it
  // comes, and the first goes back to Normal.
  const pid_t first = sway.StartClient("One title");
  ASSERT_GT(first, 0);
  front.WaitForFront(first, "One title");
  front.TickBoosts(first, "One title");
  const pid_t second = sway.StartClient("One title");
  ASSERT_GT(second, 0);
  front.WaitForFront(second, "One title");
  front.TickBoosts(second, "One title");
  if (mayRaise) {
    EXPECT_EQ(NiceOf(first), 0) << "the first of the two is back at Normal";
    EXPECT_EQ(NiceOf(beta), 0);
  }

  if (mayRaise) {
    EXPECT_FALSE(priorities.SetClass(second, platform::PriorityClass::Normal));
  } else {
    std::cout << "[ NOTE     ] without CAP_SYS_NICE the nice values were not checked\n";
  }
}

}  // namespace
}  // namespace tarvelo
