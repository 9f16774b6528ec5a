// The real program's resource diagram: in its place on the Status page, and
// drawing curves of this machine within a few seconds.
#include <gtest/gtest.h>

#include <QImage>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// The diagram in the window's client area: the page at (256, 144), the
// control at (48, 224) on it, 417 x 57 with a 1-pixel border.
const QRect kDiagram(256 + 48, 144 + 224, 417, 57);

struct Census {
  int border = 0;      // black
  int background = 0;  // 64, 64, 64
  int grid = 0;        // 255, 192, 128
  int curves = 0;      // any other colour
};

Census Count(const QImage& shot, const QRect& window) {
  Census c;
  const QRect d = kDiagram.translated(window.topLeft());
  for (int y = d.top(); y <= d.bottom(); ++y) {
    for (int x = d.left(); x <= d.right(); ++x) {
      const QRgb p = shot.pixel(x, y) & 0xFFFFFF;
      const bool edge = x == d.left() || x == d.right() || y == d.top() || y == d.bottom();
      if (edge) c.border += p == 0;
      else if (p == (qRgb(64, 64, 64) & 0xFFFFFF)) ++c.background;
      else if (p == (qRgb(255, 192, 128) & 0xFFFFFF)) ++c.grid;
      else ++c.curves;
    }
  }
  return c;
}

TEST(StatusDiagram, ShowsTheGridAndTheSystemsCurves) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window) << tarvelo.Output().toStdString();
  const QRect geometry = window->Geometry();

  Census census;
  const bool drawn = WaitFor(
      [&] {
        census = Count(Screenshot(), geometry);
        return census.curves > 0;
      },
      15000);
  EXPECT_TRUE(drawn) << "no curve after 15 s";
  EXPECT_EQ(census.border, 2 * 417 + 2 * 55) << "a black frame all round";
  EXPECT_GT(census.background, 415 * 55 / 2) << "mostly dark grey";
  EXPECT_GT(census.grid, 415 + 55) << "a light-orange grid";
}

}  // namespace
}  // namespace tarvelo::e2e
