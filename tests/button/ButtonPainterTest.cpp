// Pixel tests of the Command painter: each look is painted through the model
// into its surface and checked at the pixels that make it.
#include <gtest/gtest.h>

#include <string>

#include "ButtonFakes.h"
#include "button/ButtonPainter.h"
#include "button/ButtonRegion.h"

namespace tarvelo::button {
namespace {

using raster::MakeColor;
using testing::Button;

constexpr Color kFace = MakeColor(236, 233, 216);  // StandardSystemColors
constexpr Color kFrame = MakeColor(0, 60, 115);
constexpr Color kCorner = MakeColor(16, 77, 123);
constexpr Color kGreen = MakeColor(122, 184, 98);

std::string Rgb(Color c) {
  if (c == raster::kInvalidColor) return "(outside)";
  return "(" + std::to_string(raster::Red(c)) + ", " + std::to_string(raster::Green(c)) + ", " +
         std::to_string(raster::Blue(c)) + ")";
}

Color Inverted(Color c) { return c ^ 0xFFFFFF; }

struct Expected {
  int x, y;
  Color color;
  const char* what;
};

void ExpectPixels(const Button& b, std::initializer_list<Expected> pixels, const std::string& look) {
  for (const auto& p : pixels) {
    EXPECT_EQ(Rgb(b.Pixel(p.x, p.y)), Rgb(p.color)) << look << ": " << p.what << " at (" << p.x << ", " << p.y << ")";
  }
}

TEST(ButtonPainter, ProgramButtonFaceRowsFrameAndCorners) {
  Button b(97, 25);  // ButtonType 1, XpType 2, ColorScheme 1, no focus
  // The face runs from (243, 238, 219) on the bottom row upward, one step
  // lighter per row, each channel stopping at 255; columns 1 to W - 3.
  const struct {
    int y;
    Color color;
  } rows[] = {
      {23, MakeColor(243, 238, 219)}, {22, MakeColor(244, 239, 220)}, {11, MakeColor(255, 250, 231)},
      {10, MakeColor(255, 251, 232)}, {2, MakeColor(255, 255, 240)},  {1, MakeColor(255, 255, 241)},
  };
  for (const auto& row : rows) {
    for (int x : {2, 48, 94}) EXPECT_EQ(Rgb(b.Pixel(x, row.y)), Rgb(row.color)) << "row " << row.y << " x " << x;
  }
  ExpectPixels(b,
               {
                   {1, 12, MakeColor(254, 249, 230), "first face column"},
                   {95, 12, kFace, "the face stops short of the column inside the right frame"},
                   {2, 0, kFrame, "top line starts two in"},
                   {94, 0, kFrame, "top line ends two in"},
                   {95, 0, kFace, "top line end point excluded"},
                   {48, 24, kFrame, "bottom line"},
                   {0, 2, kFrame, "left line"},
                   {0, 22, kFrame, "left line ends"},
                   {0, 23, kFace, "left line end point excluded"},
                   {96, 12, kFrame, "right line"},
                   {1, 1, kCorner, "corner dot"},
                   {1, 23, kCorner, "corner dot"},
                   {95, 1, kCorner, "corner dot"},
                   {95, 23, kCorner, "corner dot"},
                   {0, 0, kFace, "corner outside the frame"},
                   {1, 0, kFace, "corner outside the frame"},
                   {0, 1, kFace, "corner outside the frame"},
                   {96, 24, kFace, "corner outside the frame"},
               },
               "XpType 2 up");
  EXPECT_EQ(b.model.ButtonRegion().Area(), 97 * 25) << "the window is not cut for this style";
}

TEST(ButtonPainter, FocusRingAndDottedRectangleGiveWayToTheHoverRing) {
  const Color row2 = MakeColor(255, 255, 240);
  const Color row12 = MakeColor(254, 249, 230);
  const Color hover = MakeColor(228, 144, 80);

  Button focused(97, 25);
  focused.model.GotFocus();
  ExpectPixels(focused,
               {
                   {2, 1, kGreen, "ring top line"},
                   {1, 12, kGreen, "ring left edge"},
                   {95, 12, kGreen, "ring right edge"},
                   {48, 23, kGreen, "ring bottom line"},
                   {3, 2, kGreen, "dotted rectangle skips odd pixels (black text colour)"},
                   {2, 2, Inverted(kGreen), "dotted rectangle inverts its corner"},
                   {4, 2, Inverted(kGreen), "every other pixel along the top"},
                   {2, 22, Inverted(kGreen), "bottom-left of the dotted rectangle"},
                   {94, 10, Inverted(kGreen), "right side of the dotted rectangle (x = W - 3)"},
                   {94, 11, kGreen, "right side, odd pixel"},
                   {10, 10, MakeColor(255, 251, 232), "face inside"},
                   {1, 1, kCorner, "corner dot untouched"},
               },
               "focused");

  // The host's default button shows the same marks without the focus.
  Button byDefault(97, 25);
  byDefault.model.SetDisplayAsDefault(true);
  EXPECT_EQ(byDefault.model.Surface().Pixels(), focused.model.Surface().Pixels());

  // Under the mouse: the orange ring and no dotted rectangle, focus or not.
  Button hovered(97, 25);
  hovered.model.GotFocus();
  hovered.model.MouseMove(0, 0, 10, 10);
  ExpectPixels(hovered,
               {
                   {2, 1, hover, "ring top edge"},
                   {94, 1, hover, "ring top edge end"},
                   {1, 2, hover, "ring left line"},
                   {1, 22, hover, "ring left line end"},
                   {1, 23, kCorner, "corner dot untouched"},
                   {2, 2, hover, "no inverted corner"},
                   {3, 2, hover, "second ring row"},
                   {95, 12, hover, "ring right line"},
                   {3, 22, hover, "ring bottom rows"},
                   {2, 23, hover, "ring bottom edge"},
                   {4, 3, MakeColor(255, 255, 239), "face inside"},
               },
               "hovered");

  // Without the focus rectangle the focus shows nothing at all.
  Button hidden(97, 25);
  hidden.model.SetShowFocusRect(false);
  hidden.model.GotFocus();
  hidden.model.SetDisplayAsDefault(true);
  ExpectPixels(hidden, {{2, 1, MakeColor(255, 255, 241), "no ring"}, {2, 2, row2, "no dotted corner"},
                        {1, 12, row12, "no ring edge"}},
               "ShowFocusRect false");
}

TEST(ButtonPainter, BorderedFacesByXpTypeAndScheme) {
  // XpType 1 and 3 fade toward white from the bottom; halves round to even.
  Button blueGrey(97, 25, 1);
  ExpectPixels(blueGrey,
               {{10, 23, MakeColor(201, 200, 217), "first row, one step up from the start"},
                {10, 22, MakeColor(204, 203, 219), "second row"},
                {10, 3, MakeColor(255, 255, 255), "white after H - 5 rows"},
                {95, 12, MakeColor(232, 232, 239), "rows run to W - 2"},
                {96, 12, kFrame, "frame"}},
               "XpType 1");
  Button lightGrey(97, 25, 3);
  ExpectPixels(lightGrey,
               {{10, 23, MakeColor(237, 236, 231), "first row"},
                {10, 22, MakeColor(238, 237, 232), "232.5 rounds to 232"},
                {10, 18, MakeColor(242, 241, 238), "237.5 rounds to 238"}},
               "XpType 3");
  // Schemes 2 and 3 shade the face colour instead: base (240, 240, 240) for
  // the grey palette, darker by 25 / H per row, blue proportionally.
  Button grey(97, 25);
  grey.model.SetColorScheme(3);
  ExpectPixels(grey,
               {{10, 1, MakeColor(239, 239, 239), "row 1"},
                {10, 4, MakeColor(236, 236, 235), "row 4"},
                {10, 23, MakeColor(217, 217, 212), "row 23"},
                {1, 4, MakeColor(236, 236, 235), "rows span the whole width"},
                {0, 0, MakeColor(192, 192, 192), "corner in the grey face colour"}},
               "ColorScheme 3");
  // A face of no known XpType leaves the face colour inside the frame.
  Button none(97, 25, 7);
  ExpectPixels(none, {{10, 10, kFace, "no face"}, {2, 0, kFrame, "frame"}}, "XpType 7");
}

TEST(ButtonPainter, PressedProgramButton) {
  Button b(97, 25);
  b.model.GotFocus();
  b.model.MouseDown(1, 0, 5, 5);
  // Base (223, 223, 213): the face colour lightened by 48 and darkened by 32,
  // blue proportionally; each row 15 / H darker going up, darkest on top.
  ExpectPixels(b,
               {{0, 24, MakeColor(222, 222, 212), "bottom row (H - 1)"},
                {10, 23, MakeColor(222, 222, 212), "row 23"},
                {10, 21, MakeColor(221, 221, 211), "row 21"},
                {10, 10, MakeColor(214, 214, 204), "row 10"},
                {0, 0, MakeColor(208, 208, 197), "top row, across the corner too"},
                {2, 0, kFrame, "frame drawn over the face"},
                {1, 1, kCorner, "corner dot"},
                {3, 3, MakeColor(210, 210, 199), "inside"},
                {2, 2, Inverted(MakeColor(209, 209, 198)), "dotted rectangle, no ring"}},
               "XpType 2 down");
}

TEST(ButtonPainter, DisabledLooksIgnoreTheColourProperties) {
  Button type1(97, 25);
  type1.model.SetBackColor(MakeColor(1, 2, 3));
  type1.model.SetColorScheme(2);
  type1.model.GotFocus();
  type1.model.SetEnabled(false);
  const Color frame = MakeColor(201, 199, 186);
  ExpectPixels(type1,
               {{10, 10, MakeColor(244, 244, 234), "face"},
                {0, 0, MakeColor(244, 244, 234), "corner"},
                {2, 0, frame, "frame"},
                {1, 1, frame, "corner dot"},
                {2, 2, MakeColor(244, 244, 234), "no focus marks"}},
               "disabled ButtonType 1");
  ASSERT_FALSE(type1.site.text.drawn.empty());
  EXPECT_EQ(Rgb(type1.site.text.drawn.back().color), Rgb(MakeColor(161, 162, 146)));

  struct Case {
    int type;
    int scheme;
    std::initializer_list<Expected> pixels;
    Color caption;
  };
  const Case cases[] = {
      {3, 1, {{10, 10, MakeColor(241, 242, 237), "face"}, {2, 0, MakeColor(204, 204, 202), "frame"}},
       MakeColor(171, 168, 153)},
      {4, 1, {{2, 0, MakeColor(128, 140, 162), "frame"}, {10, 14, MakeColor(198, 218, 255), "band"}},
       MakeColor(171, 168, 153)},
      {5, 1, {{0, 0, MakeColor(188, 188, 64), "frame"}, {10, 10, MakeColor(238, 239, 208), "fill"}},
       MakeColor(188, 188, 64)},
      {5, 3, {{0, 0, MakeColor(172, 169, 154), "frame"}, {10, 10, MakeColor(236, 233, 216), "fill"}},
       MakeColor(172, 169, 154)},
  };
  for (const Case& c : cases) {
    Button b(97, 25);
    b.model.SetColorScheme(c.scheme);
    b.model.SetButtonType(c.type);
    b.model.SetEnabled(false);
    const std::string look = "disabled ButtonType " + std::to_string(c.type) + " scheme " + std::to_string(c.scheme);
    ExpectPixels(b, c.pixels, look);
    ASSERT_FALSE(b.site.text.drawn.empty()) << look;
    EXPECT_EQ(Rgb(b.site.text.drawn.back().color), Rgb(c.caption)) << look;
  }
}

TEST(ButtonPainter, ClassicBevelRaisedAndSunken) {
  const Color dark = MakeColor(113, 111, 100);
  const Color shadow = MakeColor(172, 168, 153);
  const Color light = MakeColor(241, 239, 226);
  const Color white = MakeColor(255, 255, 255);
  Button b(20, 12);
  b.model.SetCaption("OK");
  b.model.SetButtonType(2);
  ExpectPixels(b,
               {{2, 0, dark, "outer line"},
                {1, 1, dark, "corner"},
                {1, 2, kFace, "face dot"},
                {2, 1, kFace, "face dot"},
                {3, 2, white, "highlight top"},
                {2, 5, white, "highlight left"},
                {3, 3, white, "highlight dot"},
                {17, 5, kFace, "inner right"},
                {5, 9, kFace, "inner bottom"},
                {16, 8, kFace, "inner dot"},
                {18, 5, shadow, "shadow right"},
                {5, 10, shadow, "shadow bottom"},
                {17, 9, shadow, "shadow dot"},
                {2, 10, kFace, "bottom-left dot"},
                {18, 2, kFace, "top-right dot"},
                {2, 9, light, "light dot"},
                {17, 2, light, "light dot"},
                {10, 5, light, "face fill"}},
               "ButtonType 2 up");
  ASSERT_FALSE(b.site.text.drawn.empty());
  EXPECT_EQ(b.site.text.drawn.back().form, TextForm::kSingleLine);
  EXPECT_EQ(b.site.text.drawn.back().rect.left, 0);

  b.model.MouseDown(1, 0, 5, 5);
  const Color s16 = MakeColor(156, 152, 137);
  const Color s32 = MakeColor(140, 136, 121);
  const Color s64 = MakeColor(108, 104, 89);
  ExpectPixels(b,
               {{0, 5, dark, "outer line"},
                {1, 1, dark, "corner"},
                {10, 5, s16, "fill"},
                {1, 5, s64, "outer inner frame"},
                {2, 5, s32, "inner frame"},
                {2, 2, s64, "dot"},
                {3, 3, s32, "dot"},
                {17, 5, shadow, "right shadow line"},
                {18, 5, s16, "right edge"},
                {18, 9, s32, "dot"},
                {2, 10, s32, "dot"},
                {1, 9, s16, "dot"},
                {17, 1, s16, "dot"},
                {18, 2, s32, "dot"}},
               "ButtonType 2 down");
  EXPECT_EQ(Rgb(b.site.text.drawn.back().color), Rgb(light)) << "pressed caption in the light colour";

  // Focus on the classic style: the blue ring, its row-2 line one wider.
  b.model.MouseUp(1, 0, 5, 5);
  b.model.GotFocus();
  ExpectPixels(b,
               {{1, 2, MakeColor(189, 215, 247), "row-2 line from x = 1"},
                {18, 2, MakeColor(189, 215, 247), "to x = W - 2"},
                {5, 1, MakeColor(206, 231, 255), "top line"},
                {5, 10, MakeColor(107, 130, 239), "bottom line"},
                {1, 5, MakeColor(140, 174, 231), "box"},
                {2, 5, MakeColor(181, 209, 240), "side line"},
                {4, 5, light, "no dotted rectangle"}},
               "ButtonType 2 focused");
}

TEST(ButtonPainter, FlatStyleFollowsHoverPressAndScheme) {
  Button b(20, 12);
  b.model.SetButtonType(5);
  ExpectPixels(b, {{0, 0, MakeColor(188, 188, 66), "frame"}, {5, 5, MakeColor(222, 222, 160), "fill"}}, "flat up");
  b.model.MouseMove(0, 0, 5, 5);
  ExpectPixels(b, {{0, 0, MakeColor(127, 128, 1), "frame"}, {5, 5, MakeColor(220, 220, 186), "fill"}}, "flat hover");
  b.model.MouseDown(1, 0, 5, 5);
  ExpectPixels(b, {{19, 11, MakeColor(127, 128, 1), "frame"}, {5, 5, MakeColor(190, 190, 126), "tinted fill"}},
               "flat down");
  b.model.SetColorScheme(3);
  ExpectPixels(b, {{0, 0, MakeColor(49, 105, 198), "frame"}, {5, 5, MakeColor(153, 180, 223), "tinted fill"}},
               "flat down, grey scheme");
  // Only the real focus marks the flat style, not the default-button value.
  b.model.MouseUp(1, 0, 5, 5);
  b.model.SetDisplayAsDefault(true);
  EXPECT_EQ(b.Pixel(2, 2), MakeColor(193, 210, 238));
  b.model.GotFocus();
  EXPECT_EQ(b.Pixel(2, 2), Inverted(MakeColor(193, 210, 238)));
}

TEST(ButtonPainter, CaptionPlacement) {
  Button b(97, 33);
  auto& drawn = b.site.text.drawn;
  b.model.SetCaption("Refresh");
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(drawn.back().rect, (Rect{0, 0, 97, 33}));
  EXPECT_EQ(drawn.back().form, TextForm::kSingleLine);
  EXPECT_EQ(drawn.back().text, "Refresh");
  b.model.MouseDown(1, 0, 5, 5);
  EXPECT_EQ(drawn.back().rect, (Rect{2, 2, 97, 33})) << "one pixel right and down of the centred place";
  b.model.MouseUp(1, 0, 5, 5);
  EXPECT_EQ(drawn.back().rect, (Rect{0, 0, 97, 33}));

  // 20 characters of 7 pixels: 140 > 97, one extra line; the two-line block of
  // 12-pixel lines is centred: (33 - 24) / 2 = 4.
  b.model.SetCaption("A caption far too wi");
  EXPECT_EQ(drawn.back().form, TextForm::kWrapped);
  EXPECT_EQ(drawn.back().rect, (Rect{0, 4, 97, 33}));
  b.model.MouseDown(1, 0, 5, 5);
  EXPECT_EQ(drawn.back().rect, (Rect{2, 6, 97, 33}));
  b.model.MouseUp(1, 0, 5, 5);
  // A caption that fits again is centred below the last wrapped top.
  b.model.SetCaption("OK");
  EXPECT_EQ(drawn.back().form, TextForm::kSingleLine);
  EXPECT_EQ(drawn.back().rect, (Rect{0, 4, 97, 33}));

  // Half to even, and truncation toward zero for a block taller than H.
  const struct {
    float lineHeight;
    int chars;
    int top;
  } tops[] = {{12.25f, 20, 4}, {11.75f, 20, 5}, {20, 30, -13}};
  for (const auto& t : tops) {
    b.site.text.lineHeight = t.lineHeight;
    b.model.SetCaption(std::string(static_cast<std::size_t>(t.chars), 'x'));
    EXPECT_EQ(drawn.back().rect.top, t.top) << t.lineHeight << " x " << t.chars;
  }
}

TEST(ButtonPainter, RepaintsOnlyWhenSomethingChanged) {
  Button b(97, 25);
  const int before = b.site.imageChanges;
  b.model.MouseMove(1, 0, 5, 5);  // left button held: pressed look once
  b.model.MouseMove(1, 0, 6, 5);
  b.model.MouseMove(1, 0, 7, 6);
  EXPECT_EQ(b.site.imageChanges, before + 1);
  EXPECT_EQ(b.model.Data().buttonState, kStateDown);
  // rectcolor waits for the next repaint from another cause.
  b.model.SetRectColor(MakeColor(1, 2, 3));
  EXPECT_EQ(b.site.imageChanges, before + 1);
}

TEST(ButtonRegion, CornersCutOnlyForTheGradientStyles) {
  const int w = 40;
  const int h = 20;
  for (int type : {3, 4, 8, 9}) {
    const Region r = BuildRegion(type, w, h);
    EXPECT_EQ(r.Area(), w * h - 12) << type;
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {39, 0}, {38, 0}, {39, 1}, {0, 19}, {1, 19}, {0, 18},
                        {39, 19}, {38, 19}, {39, 18}}) {
      EXPECT_FALSE(r.Contains(x, y)) << type << ": (" << x << ", " << y << ")";
    }
    for (auto [x, y] : {std::pair{2, 0}, {1, 1}, {0, 2}, {37, 0}, {38, 1}, {39, 2}, {1, 18}, {38, 18}, {20, 10}}) {
      EXPECT_TRUE(r.Contains(x, y)) << type << ": (" << x << ", " << y << ")";
    }
  }
  for (int type : {1, 2, 5, 0, 7}) {
    const Region r = BuildRegion(type, w, h);
    EXPECT_EQ(r.Area(), w * h) << type;
    EXPECT_TRUE(r.Contains(0, 0)) << type;
    EXPECT_TRUE(r.Contains(39, 19)) << type;
  }
  EXPECT_TRUE(BuildRegion(3, 0, 0).IsEmpty());
  // The model hands the shape over on every resize and style change.
  Button b(40, 20);
  b.model.SetButtonType(3);
  EXPECT_EQ(b.site.shape.Area(), w * h - 12);
  b.model.Resize(50, 20);
  EXPECT_EQ(b.site.shape.Area(), 50 * 20 - 12);
}

TEST(ButtonPainter, OddSizesAndPercentagesNeverFail) {
  // Every style, look and state over tiny sizes and unusual percentages,
  // including zero divisors of every gradient: nothing throws or writes
  // outside the surface, and every repaint covers the surface.
  for (int type : {0, 1, 2, 3, 4, 5, 6, 8}) {
    for (int scheme : {1, 2, 3}) {
      for (int xp : {1, 2, 3}) {
        for (int percent : {-1, 0, 4, 50, 80, 100, 101, 32767, -32768}) {
          for (int size : {0, 1, 2, 3, 5, 6, 9, 10, 20}) {
            Button b(size, size == 20 ? 20 : size + 5, xp);
            b.model.SetButtonType(type);
            b.model.SetColorScheme(scheme);
            (void)b.model.SetPercent(percent);
            b.model.SetCaption("A long caption that wraps");
            b.model.GotFocus();
            b.model.MouseMove(0, 0, 0, 0);
            b.model.MouseDown(1, 0, 0, 0);
            b.model.MouseUp(1, 0, 0, 0);
            b.model.SetEnabled(false);
            EXPECT_EQ(b.model.Surface().Width(), size);
          }
        }
      }
    }
  }
}

TEST(ButtonPainter, ZeroDivisorsSkipTheirGradient) {
  // A 5-pixel XpType 1 button has no room for its fade.
  Button small(30, 5, 1);
  EXPECT_EQ(small.Pixel(10, 2), kFace);
  EXPECT_EQ(small.Pixel(2, 0), kFrame);
}

}  // namespace
}  // namespace tarvelo::button
