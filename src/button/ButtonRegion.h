#pragma once

#include <vector>

#include "button/CommandData.h"

namespace tarvelo::button {

// A window shape: a union of disjoint rectangles.
class Region {
 public:
  Region() = default;
  explicit Region(const Rect& rect);

  // Removes rect from the shape (CombineRgn in its difference mode).
  void Subtract(const Rect& rect);
  bool Contains(int x, int y) const;
  bool IsEmpty() const { return rects_.empty(); }
  // Number of pixels inside.
  long long Area() const;
  const std::vector<Rect>& Rects() const { return rects_; }

 private:
  std::vector<Rect> rects_;
};

// The window shape of a W x H button: the full rectangle, with three pixels cut
// at each corner for the gradient styles (ButtonType 3, 4, 8 and 9), matching
// DrawRoundFrame.
Region BuildRegion(int buttonType, int width, int height);

}  // namespace tarvelo::button
