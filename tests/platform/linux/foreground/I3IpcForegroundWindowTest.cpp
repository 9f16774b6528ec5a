// The i3-IPC way (sway) against a stand-in of sway's socket that plays
// replies and events recorded from a headless sway 1.7.
#include "platform/linux/foreground/I3IpcForegroundWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "CompositorTestSupport.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::Listener;
using tarvelo::testing::ReadBytes;
using tarvelo::testing::TempDir;
using tarvelo::testing::WaitFor;
using tarvelo::testing::WriteAll;

// GET_TREE with "Alpha" (pid 19450) focused beside "Beta" (pid 19451).
const std::string kTree =
    R"({"id":1,"type":"root","focused":false,"name":"root","nodes":[{"id":2147483647,"type":"output","focused":false,)"
    R"("name":"__i3","nodes":[{"id":2147483646,"type":"workspace","focused":false,"name":"__i3_scratch","nodes":[],)"
    R"("floating_nodes":[],"focus":[]}],"floating_nodes":[],"focus":[2147483646]},{"id":3,"type":"output",)"
    R"("focused":false,"name":"HEADLESS-1","nodes":[{"id":4,"type":"workspace","focused":false,"name":"1","nodes":[)"
    R"({"id":5,"type":"con","focused":false,"name":"Beta","nodes":[],"floating_nodes":[],"focus":[],"pid":19451,)"
    R"("app_id":"foot","shell":"xdg_shell"},{"id":6,"type":"con","focused":true,"name":"Alpha","nodes":[],)"
    R"("floating_nodes":[],"focus":[],"pid":19450,"app_id":"foot","shell":"xdg_shell"}],"floating_nodes":[],)"
    R"("focus":[6,5]}],"floating_nodes":[],"focus":[4],"active":true,"current_workspace":"1"}],"floating_nodes":[],)"
    R"("focus":[3]})";
// The same after moving to an empty workspace: a workspace has the focus.
const std::string kTreeEmptyWorkspace =
    R"({"id":1,"type":"root","focused":false,"name":"root","nodes":[{"id":3,"type":"output","focused":false,)"
    R"("name":"HEADLESS-1","nodes":[{"id":7,"type":"workspace","focused":true,"name":"2","nodes":[],)"
    R"("floating_nodes":[],"focus":[]}],"floating_nodes":[],"focus":[7]}],"floating_nodes":[],"focus":[3]})";
// A window event as sway sends it.
const std::string kFocusBeta =
    R"({ "change": "focus", "container": { "id": 5, "type": "con", "orientation": "none", "percent": 0.5, )"
    R"("urgent": false, "marks": [ ], "focused": true, "layout": "none", "border": "normal", )"
    R"("current_border_width": 2, "rect": { "x": 0, "y": 25, "width": 400, "height": 575 }, "name": "Beta", )"
    R"("window": null, "nodes": [ ], "floating_nodes": [ ], "focus": [ ], "fullscreen_mode": 0, "sticky": false, )"
    R"("pid": 19451, "app_id": "foot", "visible": true, "max_render_time": 0, "shell": "xdg_shell", )"
    R"("inhibit_idle": false, "idle_inhibitors": { "user": "none", "application": "none" } } })";

std::string WindowEvent(const std::string& change, int id, const std::string& name, int pid,
                        const std::string& shell = "xdg_shell") {
  return R"({"change":")" + change + R"(","container":{"id":)" + std::to_string(id) + R"(,"type":"con","focused":)" +
         (change == "focus" ? "true" : "false") + R"(,"name":")" + name + R"(","pid":)" + std::to_string(pid) +
         R"(,"shell":")" + shell + R"("}})";
}

std::string SocketName(int pid) {
  return "sway-ipc." + std::to_string(::getuid()) + "." + std::to_string(pid) + ".sock";
}

// sway's side: a listening socket and the one client.
class SwayStandIn {
 public:
  explicit SwayStandIn(const std::string& path) : listener(path) {}
  // Takes the client and answers its subscription and first tree request.
  bool Greet(const std::string& tree) {
    client = listener.Accept();
    if (!client.Valid()) return false;
    const auto subscribe = Read();
    const auto getTree = Read();
    if (subscribe.first != I3IpcForegroundWindow::kSubscribe || getTree.first != I3IpcForegroundWindow::kGetTree) {
      return false;
    }
    return subscribe.second.find("\"window\"") != std::string::npos &&
           Send(I3IpcForegroundWindow::kSubscribe, R"({"success":true})") &&
           Send(I3IpcForegroundWindow::kGetTree, tree);
  }
  std::pair<std::uint32_t, std::string> Read() {
    const std::string header = ReadBytes(client.Get(), 14);
    if (header.size() != 14 || header.compare(0, 6, "i3-ipc") != 0) return {0, ""};
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, header.data() + 6, 4);
    std::memcpy(&type, header.data() + 10, 4);
    return {type, length == 0 ? "" : ReadBytes(client.Get(), length)};
  }
  bool Send(std::uint32_t type, const std::string& payload) {
    return WriteAll(client.Get(), I3IpcForegroundWindow::Message(type, payload));
  }
  bool Event(const std::string& payload) { return Send(I3IpcForegroundWindow::kEventWindow, payload); }

  Listener listener;
  UniqueFd client;
};

class I3IpcTest : public ::testing::Test {
 protected:
  TempDir runtime;
  std::string Path(int pid) const { return runtime.File(SocketName(pid)); }
  // Waits until the window in front has this title; its handle, or 0.
  static WindowHandle WaitForTitle(I3IpcForegroundWindow& w, const std::string& title) {
    WindowHandle h = 0;
    WaitFor([&] { return (h = w.Foreground()) != 0 && w.Title(h) == title; });
    return w.Title(h) == title ? h : 0;
  }
};

TEST_F(I3IpcTest, FollowsFocusTitlesAndClosedWindows) {
  SwayStandIn sway(Path(100));
  ASSERT_TRUE(sway.listener.Valid());
  I3IpcForegroundWindow w(Path(100), runtime.Path());
  EXPECT_EQ(w.WhyUnseen(), "");
  ASSERT_TRUE(sway.Greet(kTree));
  const WindowHandle alpha = WaitForTitle(w, "Alpha");
  ASSERT_NE(alpha, 0u);
  EXPECT_EQ(w.OwnerProcess(alpha), 19450u);

  // Quick switching: everything since the last question is taken at once,
  // and the last focus counts.
  ASSERT_TRUE(sway.Event(kFocusBeta));
  ASSERT_TRUE(sway.Event(WindowEvent("focus", 6, "Alpha", 19450)));
  ASSERT_TRUE(sway.Event(kFocusBeta));
  const WindowHandle beta = WaitForTitle(w, "Beta");
  ASSERT_NE(beta, 0u);
  EXPECT_NE(beta, alpha);
  EXPECT_EQ(w.OwnerProcess(beta), 19451u);
  EXPECT_EQ(w.OwnerProcess(alpha), 19450u) << "the window in front before keeps its process";

  // Titles: the focused window's new title, another window's title kept for
  // it, markup as the characters it is.
  ASSERT_TRUE(sway.Event(WindowEvent("title", 5, "<b>Beta</b> \\u00e9", 19451)));
  ASSERT_TRUE(sway.Event(WindowEvent("title", 6, "Alpha 2", 19450)));
  ASSERT_EQ(WaitForTitle(w, "<b>Beta</b> \xC3\xA9"), beta);
  EXPECT_EQ(w.Title(alpha), "Alpha 2");

  // Broken events change nothing; other kinds of change are passed over.
  ASSERT_TRUE(sway.Event("{not json"));
  ASSERT_TRUE(sway.Event(R"({"change":"focus","container":{"name":"no id"}})"));
  ASSERT_TRUE(sway.Event(WindowEvent("move", 6, "Alpha 2", 19450)));
  ASSERT_TRUE(sway.Event(WindowEvent("focus", 8, "X11 app", 4242, "xwayland")));
  const WindowHandle x11 = WaitForTitle(w, "X11 app");
  ASSERT_NE(x11, 0u);
  EXPECT_EQ(w.OwnerProcess(x11), 0u) << "an X11 client's pid is its own claim";

  // The client in front ends: nothing in front, and its process is not
  // named any more (no stale pid to give back a level).
  ASSERT_TRUE(sway.Event(kFocusBeta));
  ASSERT_EQ(WaitForTitle(w, "Beta"), beta);
  ASSERT_TRUE(sway.Event(WindowEvent("close", 5, "Beta", 19451)));
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
  EXPECT_EQ(w.OwnerProcess(beta), 0u);
  EXPECT_EQ(w.Title(beta), "");

  // Another workspace: the tree is asked for, and an empty one has no window.
  ASSERT_TRUE(sway.Event(WindowEvent("focus", 6, "Alpha", 19450)));
  ASSERT_EQ(WaitForTitle(w, "Alpha"), alpha);
  ASSERT_TRUE(sway.Send(I3IpcForegroundWindow::kEventWorkspace, R"({"change":"focus","current":{"id":7}})"));
  std::pair<std::uint32_t, std::string> request;
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    pollfd pfd{sway.client.Get(), POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1;
  }));
  request = sway.Read();
  EXPECT_EQ(request.first, I3IpcForegroundWindow::kGetTree);
  ASSERT_TRUE(sway.Send(I3IpcForegroundWindow::kGetTree, kTreeEmptyWorkspace));
  EXPECT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
}

TEST_F(I3IpcTest, TakesMessagesInPiecesAndDropsAPeerThatBreaksTheProtocol) {
  SwayStandIn sway(Path(100));
  I3IpcForegroundWindow w(Path(100), runtime.Path());
  ASSERT_TRUE(sway.Greet(kTree));
  ASSERT_NE(WaitForTitle(w, "Alpha"), 0u);

  // One message in three writes, asked about between them.
  const std::string message = I3IpcForegroundWindow::Message(I3IpcForegroundWindow::kEventWindow, kFocusBeta);
  ASSERT_TRUE(WriteAll(sway.client.Get(), message.substr(0, 5)));
  EXPECT_EQ(w.Title(w.Foreground()), "Alpha");
  ASSERT_TRUE(WriteAll(sway.client.Get(), message.substr(5, 40)));
  EXPECT_EQ(w.Title(w.Foreground()), "Alpha");
  ASSERT_TRUE(WriteAll(sway.client.Get(), message.substr(45)));
  ASSERT_NE(WaitForTitle(w, "Beta"), 0u);

  // Not the protocol, or a length no tree comes near: the connection is
  // given up at once and made anew, with nothing in front until sway
  // answers again.
  std::string huge = I3IpcForegroundWindow::Message(I3IpcForegroundWindow::kEventWindow, "");
  const std::uint32_t length = 0x7fffffff;
  std::memcpy(huge.data() + 6, &length, 4);
  for (const std::string& broken : {std::string("garbage-garbage-garbage"), huge}) {
    ASSERT_TRUE(WriteAll(sway.client.Get(), broken));
    ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
    EXPECT_EQ(w.WhyUnseen(), "") << "reconnected at once";
    ASSERT_TRUE(sway.Greet(kTree));
    EXPECT_NE(WaitForTitle(w, "Alpha"), 0u);
  }
}

TEST_F(I3IpcTest, AMissingSocketIsSaidAndARestartedSwayIsFoundAgain) {
  I3IpcForegroundWindow w(Path(100), runtime.Path());
  EXPECT_EQ(w.Foreground(), 0u);
  EXPECT_NE(w.WhyUnseen(), "");
  EXPECT_EQ(w.Title(1), "");
  EXPECT_EQ(w.OwnerProcess(1), 0u);

  WindowHandle before = 0;
  {
    SwayStandIn sway(Path(100));
    ASSERT_TRUE(WaitFor([&] {
      w.Foreground();
      return w.WhyUnseen().empty();
    }));
    ASSERT_TRUE(sway.Greet(kTree));
    before = WaitForTitle(w, "Alpha");
    ASSERT_NE(before, 0u);
    // sway ends: its socket closes and goes.
  }
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
  EXPECT_NE(w.WhyUnseen(), "");
  EXPECT_EQ(w.OwnerProcess(before), 0u) << "the ended compositor's windows name no process";

  // The new sway has a socket of a new name; $SWAYSOCK still names the old.
  SwayStandIn restarted(Path(200));
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    return w.WhyUnseen().empty();
  }));
  ASSERT_TRUE(restarted.Greet(kTree));
  const WindowHandle after = WaitForTitle(w, "Alpha");
  ASSERT_NE(after, 0u);
  EXPECT_NE(after, before) << "a handle is never given to another window";
  EXPECT_EQ(w.OwnerProcess(after), 19450u);
}

}  // namespace
}  // namespace platform::linux_impl
