#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/Form.h"
#include "raster/PixelSurface.h"

// Win32 building blocks of every window of the Windows program: twips at the
// window's DPI, the forms' fonts and colours, UTF-8 to the system's UTF-16.
namespace tarvelo::winui {

// The DPI the window is shown at: per monitor where the system says so, the
// screen's otherwise.
UINT DpiOf(HWND window);

// Twips (1440 to the inch) to pixels at dpi, rounded to the nearest pixel.
int TwipsToPixels(int twips, UINT dpi);
RECT RectOf(const form::Control& control, UINT dpi);

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

COLORREF ColorOf(form::Rgb rgb);

// The font at dpi. The fonts live as long as the program: a handful of them.
HFONT FontOf(const form::Font& font, UINT dpi);

// A 32-bit device-independent bitmap of that size, its top row first.
BITMAPINFO TopDownBitmap(int width, int height);
// A surface colour as a pixel of such a bitmap (0x00RRGGBB), and back.
constexpr std::uint32_t DibPixel(raster::Color c) {
  return static_cast<std::uint32_t>(raster::Blue(c)) | (static_cast<std::uint32_t>(raster::Green(c)) << 8) |
         (static_cast<std::uint32_t>(raster::Red(c)) << 16);
}
constexpr raster::Color SurfaceColor(std::uint32_t pixel) {
  return raster::MakeColor(static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                           static_cast<int>(pixel & 0xFF));
}

// The size of one line of text in the font, no character taken as a prefix.
SIZE TextSize(HWND window, HFONT font, std::wstring_view text);

// Copies the surface's pixels to the device context with their top-left
// corner at (x, y).
void PaintSurface(HDC dc, int x, int y, const raster::PixelSurface& surface);

// An icon made from rows of 0xAARRGGBB pixels, the top row first; nothing
// for an empty picture. The caller destroys it.
HICON IconFromPixels(int width, int height, const std::uint32_t* pixels);

}  // namespace tarvelo::winui
