#include "raster/PixelSurface.h"

#include <algorithm>
#include <cstdlib>

namespace tarvelo::raster {

PixelSurface::PixelSurface(int width, int height, Color fill) { Resize(width, height, fill); }

void PixelSurface::Resize(int width, int height, Color fill) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill);
}

void PixelSurface::Clear(Color fill) { std::fill(pixels_.begin(), pixels_.end(), fill); }

Color PixelSurface::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return kInvalidColor;
  return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
}

void PixelSurface::DrawDot(int x, int y, Color color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] = color;
}

void PixelSurface::Fill(int left, int top, int right, int bottom, Color color) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  for (int y = top; y < bottom; ++y) {
    auto row = pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_;
    std::fill(row + left, row + std::max(left, right), color);
  }
}

void PixelSurface::DrawLine(int x1, int y1, int x2, int y2, Color color) {
  // Horizontal and vertical runs, the common case, are filled directly:
  // [x1, x2) left to right, (x2, x1] right to left.
  if (y1 == y2) {
    if (x1 <= x2) Fill(x1, y1, x2, y1 + 1, color);
    else Fill(x2 + 1, y1, x1 + 1, y1 + 1, color);
    return;
  }
  if (x1 == x2) {
    if (y1 <= y2) Fill(x1, y1, x1 + 1, y2, color);
    else Fill(x1, y2 + 1, x1 + 1, y1 + 1, color);
    return;
  }
  const int dx = std::abs(x2 - x1);
  const int dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  int error = dx + dy;
  int x = x1;
  int y = y1;
  while (x != x2 || y != y2) {
    DrawDot(x, y, color);
    const int twice = 2 * error;
    if (twice >= dy) {
      error += dy;
      x += sx;
    }
    if (twice <= dx) {
      error += dx;
      y += sy;
    }
  }
}

void PixelSurface::DrawBox(int x, int y, int width, int height, Color color, bool frameOnly) {
  const int right = x + width;
  const int bottom = y + height;
  if (right <= x || bottom <= y) return;
  if (!frameOnly) {
    Fill(x, y, right, bottom, color);
    return;
  }
  Fill(x, y, right, y + 1, color);
  Fill(x, bottom - 1, right, bottom, color);
  Fill(x, y, x + 1, bottom, color);
  Fill(right - 1, y, right, bottom, color);
}

}  // namespace tarvelo::raster
