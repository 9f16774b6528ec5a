// The choice of the way to the window in front, the compositors' JSON and
// the window list every compositor way shares.
#include <gtest/gtest.h>

#include <string>

#include "platform/linux/foreground/CompositorForegroundWindow.h"
#include "platform/linux/foreground/CompositorReply.h"
#include "platform/linux/foreground/SessionForegroundWindow.h"

namespace platform::linux_impl {
namespace {

TEST(ChooseForegroundWayTest, FollowsTheSessionsVariables) {
  const struct {
    SessionEnvironment environment;
    ForegroundWay way;
  } cases[] = {
      // desktop, WAYLAND_DISPLAY, SWAYSOCK, HYPRLAND_INSTANCE_SIGNATURE, XDG_RUNTIME_DIR
      {{"KDE", "", "", "", ""}, ForegroundWay::X11},  // Plasma on X11
      {{"GNOME", "", "/run/user/1000/sway-ipc.sock", "", ""}, ForegroundWay::X11},  // a variable left over
      {{"", "", "", "", ""}, ForegroundWay::X11},
      {{"KDE", "wayland-0", "", "", ""}, ForegroundWay::KWin},
      {{"kde", "wayland-0", "", "", ""}, ForegroundWay::KWin},
      {{"GNOME", "wayland-0", "", "", ""}, ForegroundWay::GnomeShell},
      {{"ubuntu:GNOME", "wayland-0", "", "", ""}, ForegroundWay::GnomeShell},
      {{"GNOME-Classic:GNOME", "wayland-0", "", "", ""}, ForegroundWay::GnomeShell},
      {{"sway", "wayland-1", "/run/user/1000/sway-ipc.1000.42.sock", "", ""}, ForegroundWay::Sway},
      {{"", "wayland-1", "/run/user/1000/sway-ipc.1000.42.sock", "", ""}, ForegroundWay::Sway},
      {{"Hyprland", "wayland-1", "", "abc_123", ""}, ForegroundWay::Hyprland},
      // The compositor's own variable wins over an inherited desktop name.
      {{"KDE", "wayland-1", "/run/user/1000/sway-ipc.1000.42.sock", "", ""}, ForegroundWay::Sway},
      {{"GNOME", "wayland-1", "", "abc_123", ""}, ForegroundWay::Hyprland},
      // Names that only contain a known one.
      {{"KDEish", "wayland-0", "", "", ""}, ForegroundWay::Unsupported},
      {{"XFCE", "wayland-0", "", "", ""}, ForegroundWay::Unsupported},
      {{"", "wayland-0", "", "", ""}, ForegroundWay::Unsupported},
      {{"Budgie:GNOME", "wayland-0", "", "", ""}, ForegroundWay::GnomeShell},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseForegroundWay(c.environment), c.way)
        << "desktop=" << c.environment.xdgCurrentDesktop << " wayland=" << c.environment.waylandDisplay
        << " sway=" << c.environment.swaySock << " hypr=" << c.environment.hyprlandInstance;
  }
}

TEST(ChooseForegroundWayTest, AnotherWaylandDesktopSaysItCannotSee) {
  auto windows = CreateSessionForegroundWindow({"XFCE", "wayland-0", "", "", ""}, nullptr);
  EXPECT_EQ(windows->Foreground(), 0u);
  EXPECT_EQ(windows->WhyUnseen(), "The booster cannot see the window in front on this Wayland desktop.");
  // X11 without a connection is the old "nothing in front", with nothing to say.
  auto none = CreateSessionForegroundWindow({"", "", "", "", ""}, nullptr);
  EXPECT_EQ(none->Foreground(), 0u);
  EXPECT_EQ(none->WhyUnseen(), "");
}

TEST(CompositorReplyTest, ReadsWhatCompositorsSendAndRefusesBrokenText) {
  const auto json = ParseCompositorReply(
      R"( {"id": 5, "pid": 19451, "name": "B\u00e9ta \ud83d\ude00 \"q\"", "focused": true, "rect": {"x": -2},)"
      R"( "nodes": [ {"id": 6}, {"id": 7} ], "percent": 0.5, "window": null, "big": 123456789012345678901,)"
      R"( "unsigned": 18446744073709551615} )");
  ASSERT_TRUE(json);
  EXPECT_EQ(IntegerOf(Member(*json, "id")), 5);
  EXPECT_EQ(IntegerOf(Member(*json, "pid")), 19451);
  ASSERT_NE(StringOf(Member(*json, "name")), nullptr);
  EXPECT_EQ(*StringOf(Member(*json, "name")), "B\xC3\xA9ta \xF0\x9F\x98\x80 \"q\"");
  EXPECT_EQ(BoolOf(Member(*json, "focused")), true);
  EXPECT_EQ(IntegerOf(Member(Member(*json, "rect"), "x")), -2);
  ASSERT_EQ(Items(Member(*json, "nodes")).size(), 2u);
  EXPECT_EQ(IntegerOf(Member(Items(Member(*json, "nodes"))[1], "id")), 7);
  EXPECT_FALSE(IntegerOf(Member(*json, "percent"))) << "a fraction is no integer";
  EXPECT_TRUE(Member(*json, "window").is_null());
  EXPECT_FALSE(IntegerOf(Member(*json, "big"))) << "too large for an id or a pid";
  EXPECT_FALSE(IntegerOf(Member(*json, "unsigned"))) << "too large for an id or a pid";
  EXPECT_TRUE(Member(Member(*json, "missing"), "deeper").is_null());
  EXPECT_EQ(StringOf(Member(Member(*json, "name"), "x")), nullptr);
  EXPECT_TRUE(Items(Member(*json, "name")).empty());

  for (const std::string broken : {"", "{", "{\"a\":}", "[1,]", "{\"a\" 1}", "\"open", "nul", "{} {}", "01x",
                                   "\"tab\there\"", "{\"a\":\"\\x\"}", "-"}) {
    EXPECT_FALSE(ParseCompositorReply(broken)) << broken;
  }
  // Nesting deeper than any compositor's reply is refused, not followed.
  EXPECT_FALSE(ParseCompositorReply(std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_TRUE(ParseCompositorReply(std::string(100, '[') + std::string(100, ']')));
}

TEST(CompositorReplyTest, ATitleThatIsNoValidUtf8KeepsTheMessage) {
  // A Latin-1 title from an X11 client: the message still counts, the bad
  // bytes show as U+FFFD.
  const auto json = ParseCompositorReply("{\"id\": 9, \"name\": \"caf\xE9 \xC3\xA9\"}");
  ASSERT_TRUE(json);
  EXPECT_EQ(IntegerOf(Member(*json, "id")), 9);
  ASSERT_NE(StringOf(Member(*json, "name")), nullptr);
  EXPECT_EQ(*StringOf(Member(*json, "name")), "caf\xEF\xBF\xBD \xC3\xA9");
}

// The shared window list, fed by hand.
class ScriptedCompositor final : public CompositorForegroundWindow {
 public:
  using CompositorForegroundWindow::Forget;
  using CompositorForegroundWindow::ForgetAll;
  using CompositorForegroundWindow::SetFront;
  using CompositorForegroundWindow::SetNoFront;
  using CompositorForegroundWindow::SetTitle;
  int refreshes = 0;

 private:
  void Refresh() override { ++refreshes; }
};

TEST(CompositorForegroundWindowTest, HandlesTitlesAndProcessesOfTheWindowsSeen) {
  ScriptedCompositor c;
  EXPECT_EQ(c.Foreground(), 0u);
  EXPECT_EQ(c.refreshes, 1) << "every question takes in the compositor's news";

  c.SetFront("5", 100, "Alpha", true);
  const WindowHandle alpha = c.Foreground();
  c.SetFront("6", 200, std::string(300, 'b'), true);
  const WindowHandle beta = c.Foreground();
  EXPECT_NE(alpha, 0u);
  EXPECT_NE(beta, 0u);
  EXPECT_NE(alpha, beta);
  EXPECT_EQ(c.Title(beta), std::string(254, 'b')) << "cut to the title length";
  // The window in front before is still known: the booster gives its
  // process back its level.
  EXPECT_EQ(c.OwnerProcess(alpha), 100u);
  EXPECT_EQ(c.Title(alpha), "Alpha");

  // Back to the first: the same handle; a title change keeps it too.
  c.SetFront("5", 100, "Alpha", true);
  EXPECT_EQ(c.Foreground(), alpha);
  c.SetTitle("5", "Alpha 2");
  EXPECT_EQ(c.Title(alpha), "Alpha 2");

  // A window of another machine: no process here is its owner.
  c.SetFront("7", 300, "Remote", false);
  EXPECT_EQ(c.OwnerProcess(c.Foreground()), 0u);
  c.SetFront("8", -1, "Odd", true);
  EXPECT_EQ(c.OwnerProcess(c.Foreground()), 0u);
  c.SetFront("9", 1LL << 40, "Odd", true);
  EXPECT_EQ(c.OwnerProcess(c.Foreground()), 0u);

  // An id used again by another process is another window.
  c.SetFront("5", 101, "Alpha", true);
  EXPECT_NE(c.Foreground(), alpha);
  EXPECT_EQ(c.OwnerProcess(alpha), 0u);

  // A closed window names no process any more, and is no longer in front.
  const WindowHandle front = c.Foreground();
  c.Forget("5");
  EXPECT_EQ(c.Foreground(), 0u);
  EXPECT_EQ(c.OwnerProcess(front), 0u);
  EXPECT_EQ(c.Title(front), "");
  c.SetFront("6", 200, "Beta", true);
  EXPECT_EQ(c.Foreground(), beta);
  c.SetNoFront();
  EXPECT_EQ(c.Foreground(), 0u);
  EXPECT_EQ(c.OwnerProcess(beta), 200u) << "out of focus, not gone";

  // A restarted compositor starts its ids afresh: old handles name nothing,
  // and handles are never given out twice.
  c.ForgetAll();
  EXPECT_EQ(c.OwnerProcess(beta), 0u);
  c.SetFront("6", 600, "New", true);
  EXPECT_NE(c.Foreground(), beta);
  EXPECT_EQ(c.OwnerProcess(0), 0u);
  EXPECT_EQ(c.Title(0), "");
}

}  // namespace
}  // namespace platform::linux_impl
