#include "winui/WinUi.h"

#include <gtest/gtest.h>

namespace tarvelo::winui {
namespace {

TEST(WinUi, TwipsBecomePixelsAtTheWindowsDpi) {
  const struct {
    int twips;
    UINT dpi;
    int pixels;
  } cases[] = {{1440, 96, 96}, {15, 96, 1}, {7, 96, 0}, {8, 96, 1}, {11790, 96, 786}, {11790, 144, 1179},
               {-8, 96, -1}, {375, 120, 31}};
  for (const auto& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
}

// The surface's colours reach the device unchanged: red stays red.
TEST(WinUi, ASurfaceIsCopiedToTheDeviceWithItsColours) {
  raster::PixelSurface surface(3, 2, raster::MakeColor(0, 0, 0));
  surface.DrawDot(0, 0, raster::MakeColor(255, 0, 0));
  surface.DrawDot(1, 0, raster::MakeColor(0, 255, 0));
  surface.DrawDot(2, 1, raster::MakeColor(0, 0, 255));
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = 8;
  info.bmiHeader.biHeight = -8;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  PaintSurface(dc, 2, 3, surface);
  EXPECT_EQ(::GetPixel(dc, 2, 3), RGB(255, 0, 0));
  EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(0, 255, 0));
  EXPECT_EQ(::GetPixel(dc, 4, 4), RGB(0, 0, 255));
  EXPECT_EQ(::GetPixel(dc, 4, 3), RGB(0, 0, 0));
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
}

TEST(WinUi, TextGoesToUtf16AndBackUnchanged) {
  const std::string text = "Caf\u00e9 \u2026 \xF0\x9F\x98\x80 <b>&amp;</b>";
  EXPECT_EQ(Utf8(Wide(text)), text);
  EXPECT_EQ(Wide("\u00e9"), L"\u00e9");
}

}  // namespace
}  // namespace tarvelo::winui
