// The Hyprland way against a stand-in of Hyprland's two sockets, with
// replies in the form Hyprland gives them.
#include "platform/linux/foreground/HyprlandForegroundWindow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "CompositorTestSupport.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::Listener;
using tarvelo::testing::ReadBytes;
using tarvelo::testing::TempDir;
using tarvelo::testing::WaitFor;
using tarvelo::testing::WriteAll;

std::string ActiveWindow(const std::string& address, int pid, const std::string& title, bool xwayland = false) {
  return "{\n    \"address\": \"" + address + "\",\n    \"mapped\": true,\n    \"hidden\": false,\n"
         "    \"at\": [10, 10],\n    \"size\": [1900, 1060],\n    \"workspace\": {\n        \"id\": 1,\n"
         "        \"name\": \"1\"\n    },\n    \"floating\": false,\n    \"monitor\": 0,\n"
         "    \"class\": \"foot\",\n    \"title\": \"" + title + "\",\n    \"initialClass\": \"foot\",\n"
         "    \"initialTitle\": \"foot\",\n    \"pid\": " + std::to_string(pid) + ",\n    \"xwayland\": " +
         (xwayland ? "true" : "false") + ",\n    \"pinned\": false,\n    \"fullscreen\": false,\n"
         "    \"grouped\": [],\n    \"swallowing\": \"0x0\"\n}";
}

// Hyprland's side: a request socket answered on a thread of its own (the
// client waits for the answer), and an event socket fed by the test.
class HyprlandStandIn {
 public:
  explicit HyprlandStandIn(const std::string& directory)
      : requests_(directory + "/.socket.sock"), events_(directory + "/.socket2.sock") {
    thread_ = std::thread([this] { Serve(); });
  }
  ~HyprlandStandIn() {
    stop_ = true;
    thread_.join();
  }
  bool Valid() const { return requests_.Valid() && events_.Valid(); }
  void SetActive(std::string reply) {
    std::lock_guard lock(mutex_);
    active_ = std::move(reply);
  }
  int Requests() const { return requestCount_; }
  bool AcceptEvents() {
    client = events_.Accept();
    return client.Valid();
  }
  bool Event(const std::string& lines) { return WriteAll(client.Get(), lines); }
  // Ends the instance: both sockets close.
  void End() {
    client.Reset();
    events_.Close();
  }

  UniqueFd client;

 private:
  void Serve() {
    while (!stop_) {
      UniqueFd c = requests_.Accept(std::chrono::milliseconds(50));
      if (!c.Valid()) continue;
      const std::string request = ReadBytes(c.Get(), std::strlen("j/activewindow"));
      std::string reply;
      {
        std::lock_guard lock(mutex_);
        reply = request == "j/activewindow" ? active_ : "unknown request";
      }
      ++requestCount_;
      WriteAll(c.Get(), reply);
    }
  }

  Listener requests_;
  Listener events_;
  std::mutex mutex_;
  std::string active_ = "{}";
  std::atomic<int> requestCount_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class HyprlandTest : public ::testing::Test {
 protected:
  TempDir runtime;
  TempDir tmp;
  std::string Instance(const std::string& signature) {
    const std::string directory = runtime.Path() + "/hypr/" + signature;
    std::filesystem::create_directories(directory);
    return directory;
  }
  static WindowHandle WaitForTitle(HyprlandForegroundWindow& w, const std::string& title) {
    WindowHandle h = 0;
    WaitFor([&] { return (h = w.Foreground()) != 0 && w.Title(h) == title; });
    return w.Title(h) == title ? h : 0;
  }
};

TEST_F(HyprlandTest, AsksForTheActiveWindowWhenTheEventsSaySo) {
  HyprlandStandIn hypr(Instance("v0_1"));
  ASSERT_TRUE(hypr.Valid());
  hypr.SetActive(ActiveWindow("0x55d0c8a0f0a0", 3001, "Alpha"));
  HyprlandForegroundWindow w("v0_1", runtime.Path(), tmp.Path());
  ASSERT_TRUE(hypr.AcceptEvents());
  EXPECT_EQ(w.WhyUnseen(), "");
  const WindowHandle alpha = WaitForTitle(w, "Alpha");
  ASSERT_NE(alpha, 0u);
  EXPECT_EQ(w.OwnerProcess(alpha), 3001u);

  // Nothing said: nothing asked.
  const int asked = hypr.Requests();
  for (int i = 0; i < 5; ++i) w.Foreground();
  EXPECT_EQ(hypr.Requests(), asked);

  // Quick switching: one answer for the news of several events.
  hypr.SetActive(ActiveWindow("0x55d0c8b1e000", 3002, "Beta <i>\\\"x\\\"</i>"));
  ASSERT_TRUE(hypr.Event("activewindow>>foot,Beta\nactivewindowv2>>55d0c8b1e000\nactivewindow>>foot,Alpha\n"
                         "activewindowv2>>55d0c8a0f0a0\nactivewindow>>foot,Beta\nactivewindowv2>>55d0c8b1e000\n"));
  const WindowHandle beta = WaitForTitle(w, "Beta <i>\"x\"</i>");
  ASSERT_NE(beta, 0u);
  EXPECT_EQ(w.OwnerProcess(beta), 3002u);
  EXPECT_EQ(w.OwnerProcess(alpha), 3001u);

  // A title change, a line in two writes.
  hypr.SetActive(ActiveWindow("0x55d0c8b1e000", 3002, std::string(300, 'y')));
  ASSERT_TRUE(hypr.Event("windowtitlev2>>55d0c8b1e000,yyy"));
  ASSERT_TRUE(hypr.Event("y\n"));
  ASSERT_EQ(WaitForTitle(w, std::string(254, 'y')), beta);

  // An X11 client's pid is its own claim.
  hypr.SetActive(ActiveWindow("0x55d0c8c00000", 3003, "Wine", true));
  ASSERT_TRUE(hypr.Event("activewindowv2>>55d0c8c00000\n"));
  const WindowHandle wine = WaitForTitle(w, "Wine");
  ASSERT_NE(wine, 0u);
  EXPECT_EQ(w.OwnerProcess(wine), 0u);

  // The client in front ends: Hyprland has no active window for a moment.
  hypr.SetActive("{}");
  ASSERT_TRUE(hypr.Event("closewindow>>55d0c8c00000\nactivewindow>>,\n"));
  ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
  EXPECT_EQ(w.OwnerProcess(wine), 0u);

  // An answer that is not JSON: nothing in front rather than a stale window.
  hypr.SetActive(ActiveWindow("0x55d0c8a0f0a0", 3001, "Alpha"));
  ASSERT_TRUE(hypr.Event("activewindowv2>>55d0c8a0f0a0\n"));
  ASSERT_EQ(WaitForTitle(w, "Alpha"), alpha);
  hypr.SetActive("ok");
  ASSERT_TRUE(hypr.Event("activewindowv2>>0\n"));
  EXPECT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
}

TEST_F(HyprlandTest, AMissingInstanceIsSaidAndARestartedOneIsFoundAgain) {
  HyprlandForegroundWindow w("gone", runtime.Path(), tmp.Path());
  EXPECT_EQ(w.Foreground(), 0u);
  EXPECT_NE(w.WhyUnseen(), "");

  WindowHandle before = 0;
  {
    // Older releases keep the sockets in /tmp/hypr.
    const std::string old = tmp.Path() + "/hypr/gone";
    std::filesystem::create_directories(old);
    HyprlandStandIn hypr(old);
    hypr.SetActive(ActiveWindow("0x1000", 4001, "Alpha"));
    ASSERT_TRUE(WaitFor([&] {
      w.Foreground();
      return w.WhyUnseen().empty();
    }));
    ASSERT_TRUE(hypr.AcceptEvents());
    before = WaitForTitle(w, "Alpha");
    ASSERT_NE(before, 0u);
    hypr.End();
    ASSERT_TRUE(WaitFor([&] { return w.Foreground() == 0; }));
    EXPECT_NE(w.WhyUnseen(), "");
    EXPECT_EQ(w.OwnerProcess(before), 0u);
    std::filesystem::remove_all(old);
  }

  // The restarted compositor has a new signature.
  HyprlandStandIn restarted(Instance("v1_2"));
  restarted.SetActive(ActiveWindow("0x1000", 4002, "Alpha"));
  ASSERT_TRUE(WaitFor([&] {
    w.Foreground();
    return w.WhyUnseen().empty();
  }));
  ASSERT_TRUE(restarted.AcceptEvents());
  const WindowHandle after = WaitForTitle(w, "Alpha");
  ASSERT_NE(after, 0u);
  EXPECT_NE(after, before);
  EXPECT_EQ(w.OwnerProcess(after), 4002u);
}

}  // namespace
}  // namespace platform::linux_impl
