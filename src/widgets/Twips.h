#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tarvelo::widgets {

// Positions and sizes of the program's windows are kept in twips, 15 to the
// pixel at 96 dpi; Qt's device-independent pixels take care of higher
// densities. Rounds to the nearest pixel.
constexpr int TwipsToPixels(int twips) { return (twips * 2 + (twips >= 0 ? 15 : -15)) / 30; }

inline QPoint TwipsPoint(int left, int top) { return {TwipsToPixels(left), TwipsToPixels(top)}; }
inline QSize TwipsSize(int width, int height) { return {TwipsToPixels(width), TwipsToPixels(height)}; }
inline QRect TwipsRect(int left, int top, int width, int height) {
  return {TwipsPoint(left, top), TwipsSize(width, height)};
}

}  // namespace tarvelo::widgets
