// Pixel tests of the two gradient faces, painted straight onto a surface.
#include <gtest/gtest.h>

#include <string>

#include "button/GradientFaces.h"

namespace tarvelo::button {
namespace {

using raster::MakeColor;
using raster::PixelSurface;

constexpr Color kBack = MakeColor(9, 9, 9);

std::string Rgb(Color c) {
  if (c == raster::kInvalidColor) return "(outside)";
  return "(" + std::to_string(raster::Red(c)) + ", " + std::to_string(raster::Green(c)) + ", " +
         std::to_string(raster::Blue(c)) + ")";
}

struct Expected {
  int x, y;
  Color color;
  const char* what;
};

void ExpectPixels(const PixelSurface& s, std::initializer_list<Expected> pixels, const std::string& face) {
  for (const auto& p : pixels) {
    EXPECT_EQ(Rgb(s.Pixel(p.x, p.y)), Rgb(p.color)) << face << ": " << p.what << " at (" << p.x << ", " << p.y << ")";
  }
}

TEST(DrawTwoToneFace, PresetOfTheTwoToneStyle) {
  // H 25, p 53: P = 13.25; steps (5, 3, 0) up, (9, 5, 0) down.
  PixelSurface s(97, 25, kBack);
  const Color a = MakeColor(124, 171, 255);
  const Color b = MakeColor(81, 107, 148);
  DrawTwoToneFace(s, a, b, MakeColor(191, 211, 255), 53);
  ExpectPixels(s,
               {
                   {10, 13, MakeColor(134, 181, 255), "split row: a + 10, blue capped at 255"},
                   {10, 12, MakeColor(139, 184, 255), "one step up"},
                   {10, 3, MakeColor(184, 211, 255), "top row of the upper gradient"},
                   {10, 14, a, "band starts"},
                   {10, 19, a, "band"},
                   {10, 20, MakeColor(129, 176, 255), "lower gradient paints over the band's last row"},
                   {10, 21, MakeColor(138, 181, 255), "lower gradient"},
                   {10, 22, MakeColor(207, 234, 255), "row H - 3"},
                   {10, 1, MakeColor(211, 229, 255), "outer inner frame"},
                   {1, 12, MakeColor(211, 229, 255), "outer inner frame"},
                   {10, 2, MakeColor(201, 216, 255), "inner frame"},
                   {2, 12, MakeColor(201, 216, 255), "inner frame"},
                   {2, 0, b, "round frame"},
                   {1, 1, b, "corner dot"},
                   {0, 0, kBack, "corner untouched"},
               },
               "two-tone");
}

TEST(DrawGlossFace, DefaultColoursAtSixteenPercent) {
  // H 25, p 16: P = 4. Upper steps (c - a) / 3, lower steps (c - a) / 17.
  PixelSurface s(97, 25, kBack);
  const Color a = MakeColor(116, 200, 115);
  const Color b = MakeColor(183, 183, 183);
  const Color c = MakeColor(215, 246, 215);
  DrawGlossFace(s, a, b, c, 16, false);
  const Color band = MakeColor(163, 222, 162);  // row 15, read back at (2, 15)
  ExpectPixels(s,
               {
                   {10, 4, a, "split row"},
                   {10, 3, MakeColor(149, 215, 148), "upper gradient"},
                   {1, 2, MakeColor(182, 231, 182), "upper gradient where no shine covers it"},
                   {2, 1, MakeColor(255, 255, 255), "first shine row starts white"},
                   {89, 1, c, "and reaches c at x = W - 8"},
                   {94, 1, MakeColor(213, 246, 213), "a little beyond"},
                   {2, 2, MakeColor(255, 255, 255), "second shine row starts white"},
                   {33, 2, c, "reaches c about halfway"},
                   {65, 2, MakeColor(174, 237, 174), "and keeps darkening"},
                   {66, 2, MakeColor(182, 231, 182), "gradient after the shine"},
                   {10, 5, a, "row P + 1"},
                   {10, 6, a, "row P + 2"},
                   {10, 7, a, "lower gradient starts at a"},
                   {10, 8, MakeColor(122, 203, 121), "lower gradient"},
                   {10, 9, a, "row P + 5 in a again"},
                   {10, 15, band, "row 15"},
                   {10, 16, band, "band H - 9"},
                   {10, 17, band, "band H - 8"},
                   {10, 18, MakeColor(180, 230, 180), "lower gradient"},
                   {10, 21, MakeColor(198, 238, 197), "last gradient row H - 4"},
                   {10, 22, band, "band H - 3"},
                   {94, 23, band, "band H - 2 to x = W - 3"},
                   {95, 22, kBack, "not at x = W - 2"},
                   {2, 0, b, "frame"},
                   {1, 1, b, "corner dot"},
               },
               "gloss");

  // Flat: a plain face in a inside the frame.
  PixelSurface flat(20, 10, kBack);
  DrawGlossFace(flat, a, b, c, 16, true);
  ExpectPixels(flat, {{1, 2, a, "face"}, {17, 8, a, "face"}, {2, 0, b, "frame"}, {0, 0, kBack, "corner"}}, "flat");
}

TEST(DrawGlossFace, LowButtonsHaveNoBandsAndNoFrame) {
  PixelSurface s(40, 9, kBack);
  DrawGlossFace(s, MakeColor(116, 200, 115), MakeColor(183, 183, 183), MakeColor(215, 246, 215), 16, false);
  ExpectPixels(s,
               {{10, 4, MakeColor(116, 200, 115), "lower gradient starts"},
                {10, 6, kBack, "no band"},
                {10, 7, kBack, "no band"},
                {2, 0, kBack, "no frame"},
                {0, 4, kBack, "no frame"}},
               "H 9");
}

TEST(GradientFaces, ZeroPercent) {
  const Color a = MakeColor(124, 171, 255);
  const Color c = MakeColor(191, 211, 255);
  PixelSurface gloss(97, 25, kBack);
  DrawGlossFace(gloss, a, MakeColor(1, 109, 1), c, 0, false);
  ExpectPixels(gloss,
               {{2, 1, a, "row 1 in a over the shine"},
                {50, 2, a, "row 2 in a over the shine"},
                {10, 3, a, "lower gradient starts at row 3"},
                {10, 4, MakeColor(127, 173, 255), "one step of (c - a) / 21"}},
               "gloss at 0 %");
  PixelSurface twoTone(97, 25, kBack);
  DrawTwoToneFace(twoTone, a, MakeColor(81, 107, 148), c, 0);
  ExpectPixels(twoTone,
               {{10, 3, a, "band from row 1 (rows 1 and 2 under the inner frames)"},
                {10, 6, a, "band to row 7"},
                {10, 7, MakeColor(129, 176, 255), "lower gradient from row 7"}},
               "two-tone at 0 %");
}

TEST(GradientFaces, ZeroDivisorsSkipOnlyTheirGradient) {
  const Color a = MakeColor(100, 100, 100);
  const Color b = MakeColor(1, 2, 3);
  const Color c = MakeColor(200, 200, 200);
  // H * p = 100: P - 1 is zero, no upper gradient; the rest is painted.
  PixelSurface upper(50, 25, kBack);
  DrawGlossFace(upper, a, b, c, 4, false);
  ExpectPixels(upper, {{1, 1, b, "frame"}, {10, 2, a, "row P + 1"}, {10, 4, a, "lower gradient"}}, "gloss, P = 1");
  PixelSurface upper2(50, 25, kBack);
  DrawTwoToneFace(upper2, a, b, c, 4);
  ExpectPixels(upper2, {{10, 3, a, "band"}, {2, 0, b, "frame"}}, "two-tone, P = 1");

  // H - P - 4 = 0 (H 20, p 80): no lower gradient; its solid rows stay.
  PixelSurface lower(50, 20, kBack);
  DrawGlossFace(lower, a, b, c, 80, false);
  ExpectPixels(lower, {{10, 16, a, "split row"}, {10, 4, MakeColor(180, 180, 180), "upper gradient"}},
               "gloss, H - P - 4 = 0");
  PixelSurface lower2(50, 20, kBack);
  DrawTwoToneFace(lower2, a, b, c, 80);
  ExpectPixels(lower2, {{10, 16, MakeColor(110, 110, 110), "split row"}, {2, 0, b, "frame"}}, "two-tone, H - P - 4 = 0");

  // W = 10: no first shine row; W = 6: no second one.
  PixelSurface narrow(10, 25, kBack);
  DrawGlossFace(narrow, a, b, c, 16, false);
  EXPECT_NE(narrow.Pixel(2, 1), MakeColor(255, 255, 255));
  EXPECT_EQ(narrow.Pixel(2, 2), MakeColor(255, 255, 255));
  PixelSurface narrower(6, 25, kBack);
  DrawGlossFace(narrower, a, b, c, 16, false);
  EXPECT_EQ(narrower.Pixel(2, 1), MakeColor(255, 255, 255));
  EXPECT_NE(narrower.Pixel(2, 2), MakeColor(255, 255, 255));
}

}  // namespace
}  // namespace tarvelo::button
