#pragma once

#include <cstdint>
#include <vector>

namespace tarvelo::raster {

// A colour as the program keeps it: red in the low byte, then green, then
// blue (0x00BBGGRR).
using Color = std::uint32_t;

constexpr Color MakeColor(int red, int green, int blue) {
  return static_cast<Color>(red & 0xFF) | (static_cast<Color>(green & 0xFF) << 8) |
         (static_cast<Color>(blue & 0xFF) << 16);
}
constexpr int Red(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int Green(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

// What Pixel() returns outside the surface.
inline constexpr Color kInvalidColor = 0xFFFFFFFF;

// A width x height grid of colours with the drawing primitives of a GDI
// device context: everything is clipped to the surface, boxes and lines
// exclude their right/bottom edge and their end point.
class PixelSurface {
 public:
  PixelSurface() = default;
  PixelSurface(int width, int height, Color fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // New size; every pixel becomes fill.
  void Resize(int width, int height, Color fill = 0);
  void Clear(Color fill);

  // The colour at (x, y), kInvalidColor outside the surface.
  Color Pixel(int x, int y) const;

  // One pixel.
  void DrawDot(int x, int y, Color color);
  // A 1-pixel line from (x1, y1) toward (x2, y2); the end point is not drawn.
  // Diagonal lines follow Bresenham's algorithm.
  void DrawLine(int x1, int y1, int x2, int y2, Color color);
  // The rectangle from (x, y) to (x + width, y + height), right and bottom
  // excluded: filled, or only its 1-pixel border when frameOnly.
  void DrawBox(int x, int y, int width, int height, Color color, bool frameOnly = false);

  // Row-major pixels, width x height.
  const std::vector<Color>& Pixels() const { return pixels_; }

 private:
  void Fill(int left, int top, int right, int bottom, Color color);

  int width_ = 0;
  int height_ = 0;
  std::vector<Color> pixels_;
};

}  // namespace tarvelo::raster
