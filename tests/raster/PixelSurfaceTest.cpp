#include "raster/PixelSurface.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvelo::raster {
namespace {

constexpr Color kInk = MakeColor(1, 2, 3);

// The surface as rows of '#' (ink) and '.' (anything else).
std::string Picture(const PixelSurface& s) {
  std::string out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out += s.Pixel(x, y) == kInk ? '#' : '.';
    out += '\n';
  }
  return out;
}

TEST(PixelSurface, ColorsKeepRedInTheLowByte) {
  EXPECT_EQ(MakeColor(255, 128, 0), 0x0080FFu);
  EXPECT_EQ(MakeColor(64, 64, 64), 4210752u);
  const Color c = MakeColor(10, 20, 30);
  EXPECT_EQ(Red(c), 10);
  EXPECT_EQ(Green(c), 20);
  EXPECT_EQ(Blue(c), 30);
}

TEST(PixelSurface, LinesLeaveOutTheirEndPoint) {
  const struct {
    const char* what;
    int x1, y1, x2, y2;
    std::string picture;
  } cases[] = {
      {"left to right", 1, 1, 4, 1, ".....\n.###.\n.....\n"},
      {"right to left", 4, 1, 1, 1, ".....\n..###\n.....\n"},
      {"downward", 0, 0, 0, 2, "#....\n#....\n.....\n"},
      {"upward", 2, 2, 2, 0, ".....\n..#..\n..#..\n"},
      {"a point draws nothing", 2, 1, 2, 1, ".....\n.....\n.....\n"},
      {"diagonal", 0, 0, 3, 3, "#....\n.#...\n..#..\n"},
      {"clipped at every edge", -3, 1, 9, 1, ".....\n#####\n.....\n"},
  };
  for (const auto& c : cases) {
    PixelSurface s(5, 3);
    s.DrawLine(c.x1, c.y1, c.x2, c.y2, kInk);
    EXPECT_EQ(Picture(s), c.picture) << c.what;
  }
}

TEST(PixelSurface, ShallowLinesAreContinuous) {
  PixelSurface s(9, 3);
  s.DrawLine(0, 0, 8, 2, kInk);
  EXPECT_EQ(Picture(s), "##.......\n..####...\n......##.\n");
}

TEST(PixelSurface, BoxesFilledOrFramedWithoutRightAndBottomEdge) {
  PixelSurface s(6, 5);
  s.DrawBox(1, 1, 4, 3, kInk);
  EXPECT_EQ(Picture(s), "......\n.####.\n.####.\n.####.\n......\n");
  s.Clear(0);
  s.DrawBox(0, 0, 6, 5, kInk, true);
  EXPECT_EQ(Picture(s), "######\n#....#\n#....#\n#....#\n######\n");
  s.Clear(0);
  s.DrawBox(2, 2, 0, 3, kInk);   // empty
  s.DrawBox(4, 3, 5, 5, kInk);   // clipped
  EXPECT_EQ(Picture(s), "......\n......\n......\n....##\n....##\n");
}

TEST(PixelSurface, ReadingOutsideGivesTheInvalidColour) {
  PixelSurface s(2, 2, kInk);
  EXPECT_EQ(s.Pixel(1, 1), kInk);
  EXPECT_EQ(s.Pixel(2, 0), kInvalidColor);
  EXPECT_EQ(s.Pixel(0, -1), kInvalidColor);
  s.DrawDot(5, 5, 0);  // clipped, no harm
  s.Resize(0, 0);
  EXPECT_EQ(s.Pixel(0, 0), kInvalidColor);
}

}  // namespace
}  // namespace tarvelo::raster
