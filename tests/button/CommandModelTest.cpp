// The Command model headless: properties and their saved form, access keys,
// the interaction state machine and the repaints it triggers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ButtonFakes.h"
#include "button/CommandModel.h"

namespace tarvelo::button {
namespace {

using raster::MakeColor;
using testing::Button;
using Events = std::vector<std::string>;

TEST(AccessKeyOf, FirstTwoAmpersandsDecide) {
  const struct {
    const char* caption;
    const char* key;
  } cases[] = {
      {"Re&lease", "l"},
      {"&Limit", "l"},
      {"&OK", "o"},
      {"Save && Exit", ""},
      {"&", ""},
      {"&&", ""},
      {"", ""},
      {"Refresh", ""},
      {"Exit&", ""},
      {"A&&B&C", "c"},
      {"&&x&&y", ""},
      {"&&a&", ""},
      {"&&&x", "x"},
      {"x&y&z", "y"},
      {"&\xC3\x89t\xC3\xA9", "\xC3\x89"},  // a non-ASCII letter is kept whole
  };
  for (const auto& c : cases) EXPECT_EQ(AccessKeyOf(c.caption), c.key) << '"' << c.caption << '"';

  Button b;
  b.model.SetCaption("Re&lease");
  EXPECT_EQ(b.site.accessKey, "l");
  b.model.SetCaption("R&&D");
  EXPECT_EQ(b.site.accessKey, "");
}

TEST(CommandProperties, NewAndLoadedInstances) {
  testing::FakeSite site;
  testing::FakeEvents events;
  const SystemColors system = StandardSystemColors();
  CommandModel fresh(site, events, system);
  fresh.SetAmbientFont({"Verdana", 7.5, false, false});
  fresh.InitProperties("CommandOK");
  EXPECT_EQ(fresh.Caption(), "CommandOK");
  EXPECT_EQ(fresh.BackColor(), system.buttonFace);
  EXPECT_EQ(fresh.ForeColor(), system.buttonText);
  EXPECT_EQ(fresh.Percent(), 16);
  EXPECT_EQ(fresh.ButtonType(), 1);
  EXPECT_EQ(fresh.XpType(), 1);
  EXPECT_EQ(fresh.ColorScheme(), 1);
  EXPECT_TRUE(fresh.Enabled());
  EXPECT_TRUE(fresh.ShowFocusRect());
  EXPECT_EQ(fresh.RectColor(), 5817338u);
  EXPECT_EQ(fresh.MidColor(), 7587956u);
  EXPECT_EQ(fresh.EndColor(), 14153431u);
  EXPECT_EQ(fresh.MouseMoveMidColor(), 3384117u);
  EXPECT_EQ(fresh.MouseMoveEndColor(), 16055541u);
  EXPECT_EQ(fresh.MouseDownMidColor(), 8769668u);
  EXPECT_EQ(fresh.MouseDownEndColor(), 0u);
  EXPECT_EQ(fresh.OfficeXpFillColor(), 10542814u);
  EXPECT_EQ(fresh.OfficeXpFrameColor(), 4373692u);
  EXPECT_EQ(fresh.OfficeXpMousemoveFillColor(), 12246236u);
  EXPECT_EQ(fresh.OfficeXpMousemoveFrameColor(), 98431u);
  EXPECT_EQ(fresh.Font(), (ButtonFont{"Verdana", 7.5, false, false}));
  EXPECT_TRUE(site.changed.empty()) << "defaults are not reported";

  // Only what differs from the read defaults is saved, in the fixed order.
  PropertyBag saved;
  fresh.WriteProperties(saved);
  EXPECT_EQ(saved.Keys(), std::vector<std::string>{"Caption"});
  (void)fresh.SetPercent(40);
  fresh.SetXpType(2);
  fresh.SetMouseDownEndColor(MakeColor(1, 2, 3));
  fresh.WriteProperties(saved);
  EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"Caption", "XpType", "Percent", "MouseDownEndColor"}));
  PropertyBag ordered;
  fresh.WriteProperties(ordered);
  EXPECT_EQ(ordered.Keys(), (std::vector<std::string>{"XpType", "Caption", "Percent", "MouseDownEndColor"}));

  // Loaded back, with keys in any case; absent keys take the read defaults.
  PropertyBag mixedCase{{"CAPTION", std::string("CommandOK")}, {"xptype", std::int64_t{2}}};
  Button loaded;
  loaded.model.ReadProperties(mixedCase);
  EXPECT_EQ(loaded.model.Caption(), "CommandOK");
  EXPECT_EQ(loaded.model.XpType(), 2);
  Button empty;
  empty.model.ReadProperties(PropertyBag{});
  EXPECT_EQ(empty.model.Caption(), "wwbutton");
  EXPECT_EQ(empty.model.Percent(), 16);

  // A value of the wrong kind or range is taken as absent.
  PropertyBag odd{{"Percent", std::int64_t{70000}}, {"Caption", true}, {"ButtonType", std::string("x")}};
  empty.model.ReadProperties(odd);
  EXPECT_EQ(empty.model.Percent(), 16);
  EXPECT_EQ(empty.model.Caption(), "wwbutton");
  EXPECT_EQ(empty.model.ButtonType(), 1);
}

TEST(CommandProperties, LoadingConvertsSavedValuesOrTakesTheReadDefault) {
  const ButtonFont arial{"Arial", 9, true, false};
  Button b;
  b.model.ReadProperties(PropertyBag{{"BackColor", std::int64_t{1} << 32},
                                     {"ForeColor", std::string("255")},
                                     {"MidColor", std::int64_t{-1}},
                                     {"Percent", std::string(" 40 ")},
                                     {"Enabled", std::string("False")},
                                     {"XpType", true},
                                     {"ColorScheme", std::int64_t{1} << 31},
                                     {"Font", arial}});
  EXPECT_EQ(b.model.BackColor(), StandardSystemColors().buttonFace) << "beyond 32 bits";
  EXPECT_EQ(b.model.ForeColor(), 255u);
  EXPECT_EQ(b.model.MidColor(), 0xFFFFFFFFu);
  EXPECT_EQ(b.model.Percent(), 40);
  EXPECT_FALSE(b.model.Enabled());
  EXPECT_FALSE(b.site.windowEnabled);
  EXPECT_EQ(b.model.XpType(), -1) << "true is -1";
  EXPECT_EQ(b.model.ColorScheme(), 1) << "beyond 32-bit signed";
  EXPECT_EQ(b.model.Font(), arial);
  EXPECT_EQ(b.site.font, arial);

  // A font saved as anything but a font, and a font where a text belongs.
  b.model.ReadProperties(PropertyBag{{"Font", std::string("Arial")}, {"Caption", arial}});
  EXPECT_EQ(b.model.Font(), (ButtonFont{"Verdana", 7.5, false, false})) << "the ambient font";
  EXPECT_EQ(b.model.Caption(), "wwbutton");

  // What was loaded is saved back the same way.
  PropertyBag saved;
  b.model.ReadProperties(PropertyBag{{"Font", arial}, {"Percent", std::int64_t{40}}});
  b.model.WriteProperties(saved);
  EXPECT_EQ(saved.Entries(), (std::vector<PropertyBag::Entry>{{"Font", arial}, {"Percent", std::int64_t{40}}}));
}

TEST(CommandProperties, LoadingKeepsSavedColoursOverSchemeOverwrites) {
  Button b;
  b.model.ReadProperties(PropertyBag{{"ColorScheme", std::int64_t{3}}, {"ButtonType", std::int64_t{5}}});
  EXPECT_EQ(b.model.OfficeXpFillColor(), MakeColor(222, 222, 160)) << "read default, not the grey palette";
  EXPECT_EQ(b.model.Data().textColor, 0u);
  b.model.SetForeColor(MakeColor(9, 9, 9));
  EXPECT_EQ(b.model.OfficeXpFillColor(), MakeColor(236, 233, 216)) << "the next ApplyColorScheme overwrites";
  EXPECT_EQ(b.model.Data().textColor, 0u) << "grey palette: black caption";
  EXPECT_EQ(b.site.changed, std::vector<std::string>{"ForeColor"});
}

TEST(CommandProperties, EverySetterReportsUnderItsOwnName) {
  const struct {
    const char* name;
    std::function<void(CommandModel&)> set;
    bool repaints;
  } setters[] = {
      {"BackColor", [](CommandModel& m) { m.SetBackColor(1); }, true},
      {"ForeColor", [](CommandModel& m) { m.SetForeColor(1); }, true},
      {"Percent", [](CommandModel& m) { (void)m.SetPercent(30); }, true},
      {"MidColor", [](CommandModel& m) { m.SetMidColor(1); }, true},
      {"EndColor", [](CommandModel& m) { m.SetEndColor(1); }, true},
      {"MouseMoveMidColor", [](CommandModel& m) { m.SetMouseMoveMidColor(1); }, true},
      {"MouseMoveEndColor", [](CommandModel& m) { m.SetMouseMoveEndColor(1); }, true},
      {"MouseDownMidColor", [](CommandModel& m) { m.SetMouseDownMidColor(1); }, true},
      {"MouseDownEndColor", [](CommandModel& m) { m.SetMouseDownEndColor(1); }, true},
      {"OfficeXpFillColor", [](CommandModel& m) { m.SetOfficeXpFillColor(1); }, true},
      {"OfficeXpFrameColor", [](CommandModel& m) { m.SetOfficeXpFrameColor(1); }, true},
      {"OfficeXpMousemoveFillColor", [](CommandModel& m) { m.SetOfficeXpMousemoveFillColor(1); }, true},
      {"OfficeXpMousemoveFrameColor", [](CommandModel& m) { m.SetOfficeXpMousemoveFrameColor(1); }, true},
      {"Enabled", [](CommandModel& m) { m.SetEnabled(false); }, true},
      {"Font", [](CommandModel& m) { m.SetFont({"Arial", 9, true, false}); }, true},
      {"ButtonType", [](CommandModel& m) { m.SetButtonType(3); }, true},
      {"Caption", [](CommandModel& m) { m.SetCaption("&Go"); }, true},
      {"ColorScheme", [](CommandModel& m) { m.SetColorScheme(2); }, true},
      {"XpType", [](CommandModel& m) { m.SetXpType(3); }, true},
      {"rectcolor", [](CommandModel& m) { m.SetRectColor(1); }, false},
      {"ShowFocusRect", [](CommandModel& m) { m.SetShowFocusRect(false); }, true},
  };
  for (const auto& setter : setters) {
    Button b;
    const int before = b.site.imageChanges;
    setter.set(b.model);
    EXPECT_EQ(b.site.changed, std::vector<std::string>{setter.name}) << setter.name;
    EXPECT_EQ(b.site.imageChanges > before, setter.repaints) << setter.name;
  }
  Button b;
  b.model.SetFont({"Arial", 9, true, false});
  EXPECT_EQ(b.site.font, (ButtonFont{"Arial", 9, true, false}));
  b.model.SetEnabled(false);
  EXPECT_FALSE(b.site.windowEnabled);
}

TEST(CommandProperties, PercentOutsideTheRangeIsKeptButRefused) {
  Button b;
  b.model.SetButtonType(4);
  ASSERT_FALSE(b.model.SetPercent(0).has_value());
  const auto atZero = b.model.Surface().Pixels();
  b.site.changed.clear();
  const int before = b.site.imageChanges;
  for (int value : {101, -1}) {
    EXPECT_EQ(b.model.SetPercent(value), PropertyError::kInvalidPropertyValue) << value;
    EXPECT_EQ(ErrorNumber(*b.model.SetPercent(value)), 380);
    EXPECT_EQ(b.model.Percent(), value);
  }
  EXPECT_EQ(b.site.imageChanges, before) << "no repaint";
  EXPECT_TRUE(b.site.changed.empty()) << "no report";
  EXPECT_EQ(b.model.Surface().Pixels(), atZero);
  b.model.AmbientChanged();  // the next repaint uses the stored -1
  EXPECT_NE(b.model.Surface().Pixels(), atZero);
  // Beyond 16 bits there is nothing to store.
  EXPECT_EQ(b.model.SetPercent(70000), PropertyError::kInvalidPropertyValue);
  EXPECT_EQ(b.model.Percent(), -1);
}

TEST(CommandProperties, WindowHandleCannotBeSet) {
  Button b;
  EXPECT_EQ(b.model.HWnd(), 4242);
  EXPECT_EQ(b.model.SetHWnd(1), PropertyError::kNotSupportedAtRunTime);
  EXPECT_EQ(ErrorNumber(PropertyError::kNotSupportedAtRunTime), 382);
  b.model.SetUserMode(false);
  EXPECT_EQ(b.model.SetHWnd(1), PropertyError::kNotPermitted);
  EXPECT_EQ(ErrorNumber(PropertyError::kNotPermitted), 387);
  EXPECT_EQ(b.model.HWnd(), 4242);
  EXPECT_TRUE(b.site.changed.empty());
}

TEST(CommandProperties, TwoToneStyleBringsItsBlueSetOverTheGreySet) {
  Button b;
  b.model.SetButtonType(4);
  EXPECT_EQ(b.model.Percent(), 53);
  EXPECT_EQ(b.model.MidColor(), MakeColor(124, 171, 255));
  EXPECT_EQ(b.model.EndColor(), MakeColor(191, 211, 255));
  EXPECT_EQ(b.model.MouseMoveMidColor(), MakeColor(157, 203, 255));
  EXPECT_EQ(b.model.MouseMoveEndColor(), MakeColor(209, 231, 255));
  EXPECT_EQ(b.model.MouseDownMidColor(), MakeColor(100, 153, 255));
  EXPECT_EQ(b.model.MouseDownEndColor(), MakeColor(191, 211, 255));
  EXPECT_EQ(b.site.changed, std::vector<std::string>{"ButtonType"});
  // Any later ApplyColorScheme under the default scheme brings the grey set.
  b.model.SetBackColor(MakeColor(200, 200, 200));
  EXPECT_EQ(b.model.MidColor(), MakeColor(197, 197, 197));
  EXPECT_EQ(b.model.EndColor(), MakeColor(238, 238, 238));
  EXPECT_EQ(b.model.MouseMoveMidColor(), MakeColor(123, 167, 211));
  EXPECT_EQ(b.model.MouseMoveEndColor(), MakeColor(210, 245, 251));
  EXPECT_EQ(b.model.MouseDownMidColor(), MakeColor(227, 167, 105));
  EXPECT_EQ(b.model.MouseDownEndColor(), MakeColor(252, 220, 199));
  EXPECT_EQ(b.model.Percent(), 53);
  // Scheme 2 derives from the back colour and overwrites nothing.
  b.model.SetColorScheme(2);
  EXPECT_EQ(b.model.Data().faceColor, MakeColor(200, 200, 200));
  EXPECT_EQ(b.model.Data().shadowColor, MakeColor(136, 136, 136));
  EXPECT_EQ(b.model.Data().lightColor, MakeColor(231, 231, 231));
  EXPECT_EQ(b.model.Data().highlightColor, MakeColor(247, 247, 247));
  EXPECT_EQ(b.model.Data().darkShadowColor, MakeColor(8, 8, 8));
  EXPECT_EQ(b.model.MidColor(), MakeColor(197, 197, 197));
}

TEST(CommandInput, LeftClickPressesAndReleases) {
  Button b;
  b.model.MouseDown(1, 0, 5, 6);
  EXPECT_EQ(b.model.Data().buttonState, kStateDown);
  b.model.MouseUp(1, 0, 5, 6);
  EXPECT_EQ(b.model.Data().buttonState, kStateUp);
  b.model.Click();
  EXPECT_EQ(b.events.raised, (Events{"MouseDown 1 0 5 6", "MouseUp 1 0 5 6", "Click"}));
  EXPECT_EQ(b.site.refreshes, 1) << "the released look shows before Click runs";
}

TEST(CommandInput, RightButtonRaisesMouseDownWithoutPressing) {
  Button b;
  const int before = b.site.imageChanges;
  b.model.MouseDown(2, 0, 5, 6);
  EXPECT_EQ(b.model.Data().buttonState, kStateUp);
  EXPECT_EQ(b.site.imageChanges, before + 1);
  b.model.MouseUp(2, 0, 5, 6);
  b.model.Click();  // a click after a right press does nothing
  b.model.DoubleClick();
  EXPECT_EQ(b.events.raised, (Events{"MouseDown 2 0 5 6", "MouseUp 2 0 5 6"}));
  // The access key still clicks: it is a keyboard activation.
  b.model.AccessKeyPress();
  EXPECT_EQ(b.events.raised.back(), "Click");
}

TEST(CommandInput, DoubleClickPressesAgainWithoutASecondClick) {
  Button b;
  b.model.MouseDown(1, 0, 5, 6);
  b.model.MouseUp(1, 0, 5, 6);
  b.model.Click();
  b.model.DoubleClick();
  EXPECT_EQ(b.model.Data().buttonState, kStateDown);
  b.model.MouseUp(1, 0, 5, 6);
  EXPECT_EQ(b.events.raised,
            (Events{"MouseDown 1 0 5 6", "MouseUp 1 0 5 6", "Click", "MouseDown 1 1 1 1", "MouseUp 1 0 5 6"}));
}

TEST(CommandInput, SpaceBarPressesAndClicks) {
  Button b;
  b.model.KeyDown(32, 0);
  EXPECT_EQ(b.model.Data().buttonState, kStateDown);
  b.model.KeyPress(32);
  b.model.KeyUp(32, 0);
  EXPECT_EQ(b.model.Data().buttonState, kStateUp);
  EXPECT_EQ(b.events.raised, (Events{"KeyDown 32", "MouseDown 1 1 1 1", "KeyPress 32", "KeyUp 32",
                                     "MouseUp 1 1 1 1", "Click"}));
  // Another key's release does not click.
  b.events.raised.clear();
  b.model.KeyDown(65, 0);
  b.model.KeyUp(32, 0);
  EXPECT_EQ(b.events.raised, (Events{"KeyDown 65", "KeyUp 32"}));
}

TEST(CommandInput, ArrowsMoveTheFocusUnlessAHandlerClearsTheKey) {
  Button b;
  for (int key : {39, 40, 37, 38}) b.model.KeyDown(static_cast<std::int16_t>(key), 0);
  EXPECT_EQ(b.site.focusMoves,
            (std::vector<FocusMove>{FocusMove::kNext, FocusMove::kNext, FocusMove::kPrevious, FocusMove::kPrevious}));

  Button cleared;
  cleared.events.onKeyDown = [](std::int16_t& keyCode, std::int16_t&) { keyCode = 0; };
  for (int key : {32, 39, 37}) cleared.model.KeyDown(static_cast<std::int16_t>(key), 0);
  cleared.model.KeyUp(32, 0);
  EXPECT_TRUE(cleared.site.focusMoves.empty());
  EXPECT_EQ(cleared.model.Data().buttonState, kStateUp);
  EXPECT_EQ(cleared.events.raised, (Events{"KeyDown 0", "KeyDown 0", "KeyDown 0", "KeyUp 32"}));

  // A handler may also turn a key into another.
  Button remapped;
  remapped.events.onKeyDown = [](std::int16_t& keyCode, std::int16_t&) { keyCode = 32; };
  remapped.model.KeyDown(13, 0);
  EXPECT_EQ(remapped.model.Data().buttonState, kStateDown);
}

TEST(CommandInput, HoverTimerRunsOnlyWhileThePointerIsOver) {
  Button b(97, 25);
  EXPECT_FALSE(b.site.hoverTimer);
  b.model.MouseMove(0, 0, 10, 10);
  EXPECT_TRUE(b.site.hoverTimer);
  EXPECT_TRUE(b.model.Data().hover);
  const int painted = b.site.imageChanges;
  b.model.MouseMove(0, 0, 11, 10);
  EXPECT_EQ(b.site.imageChanges, painted) << "hover entry repaints once";

  b.site.cursor = {97, 25};  // the right and bottom edges still count as over
  b.model.Timer1Tick();
  EXPECT_TRUE(b.site.hoverTimer);
  b.site.cursor = {-1, 10};
  b.model.Timer1Tick();
  EXPECT_FALSE(b.site.hoverTimer);
  EXPECT_FALSE(b.model.Data().hover);
  EXPECT_EQ(b.site.imageChanges, painted + 1);
  EXPECT_EQ(b.events.raised, (Events{"MouseMove 0 0 10 10", "MouseMove 0 0 11 10", "MouseOut"}));

  // A move outside starts the timer but raises nothing; other buttons held
  // are not hover at all.
  b.events.raised.clear();
  b.model.MouseMove(0, 0, 98, 10);
  EXPECT_TRUE(b.site.hoverTimer);
  EXPECT_TRUE(b.events.raised.empty());
  b.model.Timer1Tick();
  b.model.MouseMove(2, 0, 10, 10);
  EXPECT_FALSE(b.site.hoverTimer);
  EXPECT_EQ(b.events.raised, Events{"MouseOut"});
}

TEST(CommandInput, DragOutAndBackWithTheButtonHeld) {
  Button b(97, 25);
  b.model.MouseDown(1, 0, 10, 10);
  b.model.MouseMove(1, 0, 120, 10);
  EXPECT_EQ(b.model.Data().buttonState, kStateDown);
  b.site.cursor = {120, 10};
  b.model.Timer1Tick();
  EXPECT_EQ(b.model.Data().buttonState, kStateUp) << "the pressed look goes as the pointer leaves";
  b.model.MouseMove(1, 0, 10, 10);
  EXPECT_EQ(b.model.Data().buttonState, kStateDown) << "and comes back with it";
  b.model.MouseMove(1, 0, 120, 10);
  b.model.MouseUp(1, 0, 120, 10);
  EXPECT_EQ(b.model.Data().buttonState, kStateUp);
  EXPECT_EQ(b.events.raised, (Events{"MouseDown 1 0 10 10", "MouseOut", "MouseMove 1 0 10 10", "MouseUp 1 0 120 10"}));
}

TEST(CommandInput, DisabledButtonIgnoresInputButEndsAHover) {
  Button b(97, 25);
  b.model.MouseMove(0, 0, 10, 10);
  b.model.SetEnabled(false);
  b.events.raised.clear();
  b.model.MouseDown(1, 0, 5, 5);
  b.model.MouseUp(1, 0, 5, 5);
  b.model.Click();
  b.model.DoubleClick();
  b.model.AccessKeyPress();
  b.model.MouseMove(0, 0, 5, 5);
  b.model.KeyDown(32, 0);
  b.model.KeyPress(32);
  b.model.KeyUp(32, 0);
  EXPECT_TRUE(b.events.raised.empty());
  EXPECT_EQ(b.model.Data().buttonState, kStateUp);
  EXPECT_EQ(b.site.refreshes, 0);

  b.site.cursor = {200, 10};
  b.model.Timer1Tick();
  EXPECT_EQ(b.events.raised, Events{"MouseOut"});
  EXPECT_FALSE(b.model.Data().hover);
  EXPECT_FALSE(b.site.hoverTimer);
  // Focus still repaints: the disabled look has no focus marks.
  const int painted = b.site.imageChanges;
  b.model.GotFocus();
  EXPECT_EQ(b.site.imageChanges, painted + 1);
}

TEST(CommandInput, ResizeRoundsHalvesToEven) {
  Button b;
  b.model.Resize(96.5, 24.5);
  EXPECT_EQ(b.model.Width(), 96);
  EXPECT_EQ(b.model.Height(), 24);
  b.model.Resize(97.5, 25.5);
  EXPECT_EQ(b.model.Width(), 98);
  EXPECT_EQ(b.model.Height(), 26);
  EXPECT_EQ(b.model.Data().focusRect, (Rect{2, 2, 96, 24}));
  EXPECT_EQ(b.model.Data().textRect, (Rect{0, 0, 98, 26}));
  EXPECT_EQ(b.model.Data().pressedTextRect, (Rect{2, 2, 98, 26}));
  EXPECT_EQ(b.model.Surface().Width(), 98);
  b.model.Resize(0, 0);
  EXPECT_EQ(b.model.Surface().Height(), 0);
}

}  // namespace
}  // namespace tarvelo::button
