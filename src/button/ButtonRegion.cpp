#include "button/ButtonRegion.h"

#include <algorithm>

namespace tarvelo::button {

namespace {

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

Region::Region(const Rect& rect) {
  if (!Empty(rect)) rects_.push_back(rect);
}

void Region::Subtract(const Rect& cut) {
  if (Empty(cut)) return;
  std::vector<Rect> kept;
  kept.reserve(rects_.size() + 4);
  for (const Rect& r : rects_) {
    const Rect overlap{std::max(r.left, cut.left), std::max(r.top, cut.top), std::min(r.right, cut.right),
                       std::min(r.bottom, cut.bottom)};
    if (Empty(overlap)) {
      kept.push_back(r);
      continue;
    }
    // Up to four pieces around the overlap: the bands above and below, and
    // the parts left and right of it within its rows.
    const Rect pieces[] = {
        {r.left, r.top, r.right, overlap.top},
        {r.left, overlap.bottom, r.right, r.bottom},
        {r.left, overlap.top, overlap.left, overlap.bottom},
        {overlap.right, overlap.top, r.right, overlap.bottom},
    };
    for (const Rect& piece : pieces) {
      if (!Empty(piece)) kept.push_back(piece);
    }
  }
  rects_ = std::move(kept);
}

bool Region::Contains(int x, int y) const {
  return std::any_of(rects_.begin(), rects_.end(),
                     [x, y](const Rect& r) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; });
}

long long Region::Area() const {
  long long area = 0;
  for (const Rect& r : rects_) area += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  return area;
}

Region BuildRegion(int buttonType, int w, int h) {
  Region region(Rect{0, 0, w, h});
  if (buttonType == 3 || buttonType == 4 || buttonType == 8 || buttonType == 9) {
    const Rect corners[] = {
        {0, 0, 2, 1},         {0, h - 1, 2, h},         {w - 2, 0, w, 1},         {w - 2, h - 1, w, h},
        {0, 1, 1, 2},         {0, h - 2, 1, h - 1},     {w - 1, 1, w, 2},         {w - 1, h - 2, w, h - 1},
    };
    for (const Rect& corner : corners) region.Subtract(corner);
  }
  return region;
}

}  // namespace tarvelo::button
