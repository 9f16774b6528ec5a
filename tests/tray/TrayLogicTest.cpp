#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tray/ModuleSubClass.h"
#include "tray/ModuleTrayIcon.h"

namespace tarvelo {
namespace {

// Records what the logic asks of the notification area.
class FakeTray final : public TrayIconView {
 public:
  void Add() override { calls.push_back(0); }
  void ShowFrame(int frame) override {
    calls.push_back(frame);
    counterWhenShown.push_back(module != nullptr ? module->TrayFrame : -1);
  }
  void Remove() override { calls.push_back(-1); }

  std::vector<int> calls;  // 0 add, -1 remove, else the frame shown
  std::vector<int> counterWhenShown;
  const ModuleTrayIcon* module = nullptr;
};

TEST(ModuleTrayIcon, EachTickShowsTheNextFrameOfTheCycle) {
  FakeTray tray;
  ModuleTrayIcon icon(tray);
  tray.module = &icon;
  icon.TrayFrame = 1;  // as start-up leaves it
  icon.AddTrayIcon();
  for (int tick = 0; tick < 8; ++tick) icon.TimerTrayIcon();
  EXPECT_EQ(tray.calls, (std::vector<int>{0, 2, 3, 4, 5, 6, 1, 2, 3}));
  EXPECT_EQ(tray.counterWhenShown, (std::vector<int>{2, 3, 4, 5, 6, 1, 2, 3})) << "the counter moves first";
  EXPECT_EQ(icon.TrayFrame, 3);
  icon.DeleteTrayIcon();
  EXPECT_EQ(tray.calls.back(), -1);
}

TEST(ModuleTrayIcon, ACounterOutsideTheCycleStaysAndShowsNothing) {
  for (int value : {0, 7, -1, 100, INT_MIN, INT_MAX}) {
    FakeTray tray;
    ModuleTrayIcon icon(tray);
    icon.TrayFrame = value;
    icon.TimerTrayIcon();
    icon.TimerTrayIcon();
    EXPECT_EQ(icon.TrayFrame, value);
    EXPECT_TRUE(tray.calls.empty()) << value;
    icon.SetTrayFrame(value);
    EXPECT_TRUE(tray.calls.empty()) << "no such frame: " << value;
  }
}

TEST(MainWindowProc, ClicksOnTheIconFollowTheWindowsState) {
  using A = TrayActivation;
  using C = TrayCommand;
  const struct {
    A activation;
    bool mainVisible, dialogVisible, singleActivationHost;
    C command;
    const char* what;
  } cases[] = {
      {A::DoubleClick, false, false, false, C::ShowMainWindow, "double click brings a hidden window back"},
      {A::DoubleClick, true, false, false, C::None, "shown or minimised: nothing"},
      {A::DoubleClick, false, true, false, C::None, "hidden, but the dialog is open"},
      {A::DoubleClick, true, true, false, C::None, "both shown"},
      {A::Trigger, false, false, false, C::None, "the first click of a double click"},
      {A::Context, false, false, false, C::PopUpMenu, "right click, window hidden"},
      {A::Context, true, false, false, C::PopUpMenu, "right click, window shown"},
      {A::Context, true, true, false, C::None, "right click while the dialog is open"},
      {A::MiddleClick, false, false, false, C::None, "middle button"},
      {A::Other, false, false, false, C::None, "anything else"},
      {A::Trigger, false, false, true, C::ShowMainWindow, "single activation host: a click shows"},
      {A::Trigger, true, false, true, C::None, "single activation host, window shown"},
      {A::Trigger, false, true, true, C::None, "single activation host, dialog open"},
      {A::DoubleClick, false, false, true, C::ShowMainWindow, "a double click still shows"},
      {A::Context, false, true, true, C::None, "single activation host, right click, dialog open"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MainWindowProc(c.activation, {c.mainVisible, c.dialogVisible}, c.singleActivationHost), c.command)
        << c.what;
  }
}

}  // namespace
}  // namespace tarvelo
