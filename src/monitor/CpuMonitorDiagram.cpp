// The diagram of the monitor control: background, grid and curves, drawn whole
// from the sample history on every redraw.
#include <algorithm>
#include <cmath>

#include "common/ModulePublicFunction.h"
#include "monitor/CpuMonitorModel.h"

namespace tarvelo::monitor {

using ModulePublicFunction::RoundHalfEven;

namespace {

int RoundToInt(double value) { return static_cast<int>(RoundHalfEven(value)); }

// The row of a percentage: 100 on the top row, 0 just below the bottom one.
// Rows far off the surface are pulled in to a margin of one height, which
// keeps every visible pixel of a one-column segment where it was (its step
// happens half-way, off the surface either way) and the line cheap to trace.
int RowOf(float percent, int height) {
  const double margin = height + 2.0;
  double y = RoundHalfEven(height - percent / 100.0 * height);
  if (std::isnan(y)) y = height + margin;
  return static_cast<int>(std::clamp(y, -margin, height + margin));
}

}  // namespace

void CpuMonitorModel::RedrawDiagram() {
  // The grid's phase moves on with every redraw, seen or not, so that a
  // picture drawn later is the one drawing all along would have shown.
  drawnGridOffset_ = gridOffset_;
  // After one full width the lines start again at 0.
  if (displayGrid_ && gridOffset_ <= -std::floor(ScaleWidth() - 1.0 / 6.0)) gridOffset_ = 0;
  if (!host_.PictureShown()) {
    redrawPending_ = true;  // drawn whole from the history when next asked for
    return;
  }
  DrawDiagram();
  host_.Present();
}

const raster::PixelSurface& CpuMonitorModel::Surface() const {
  // Drawing changes only the cached picture, not the control's state.
  if (redrawPending_) const_cast<CpuMonitorModel*>(this)->DrawDiagram();
  return surface_;
}

void CpuMonitorModel::DrawDiagram() {
  redrawPending_ = false;
  DrawDiagramAt(surface_, 1.0);
}

void CpuMonitorModel::DrawDiagramAt(raster::PixelSurface& target, double scale) const {
  target.Clear(backColor_);
  if (displayGrid_) DrawGrid(target, scale);
  if (runMode_) {
    if (cpuMonitorDisplayed_) DrawCurve(target, scale, &SystemLevels::CPULoadPercent, cpuMonitorColor_);
    if (memoryLoadDisplayed_) DrawCurve(target, scale, &SystemLevels::MemoryLoadPercent, memoryLoadColor_);
    if (pageFileDisplayed_) DrawCurve(target, scale, &SystemLevels::PageFileAvailablePercent, pageFileColor_);
    if (virtualMemoryDisplayed_) {
      DrawCurve(target, scale, &SystemLevels::VirtualMemoryAvailablePercent, virtualMemoryColor_);
    }
    if (hdMonitorDisplayed_) DrawCurve(target, scale, &SystemLevels::HDAvailablePercent, kDiskCurveColor);
  }
}

void CpuMonitorModel::DrawGrid(raster::PixelSurface& target, double scale) const {
  const int w = target.Width();
  const int h = target.Height();
  const Color color = displayGridColor_;

  // Vertical lines, scrolling with the samples. A step of 0 (a surface
  // narrower than 7 pixels) draws none.
  const int stepX = RoundToInt((w - 1) / 11.0);
  const int lastX = w - 1;
  if (stepX > 0) {
    long long x = scrollGrid_ ? static_cast<long long>(RoundHalfEven(drawnGridOffset_ * scale)) : 0;
    if (x < 0) x += (-x + stepX - 1) / stepX * stepX;  // lines left of the surface are clipped anyway
    for (; x <= lastX; x += stepX) target.DrawLine(static_cast<int>(x), 0, static_cast<int>(x), h, color);
  }

  // Horizontal lines, standing still.
  const int stepY = RoundToInt((h - 1) / 6.0);
  const int lastY = h - 1;
  if (stepY > 0) {
    for (int y = 0; y <= lastY; y += stepY) target.DrawLine(0, y, w, y, color);
  }

  // The frame on the outermost pixels.
  target.DrawBox(0, 0, w, h, color, true);
}

void CpuMonitorModel::DrawCurve(raster::PixelSurface& target, double scale, float SystemLevels::*value,
                                Color color) const {
  // One sample per column of the diagram's own width; at another scale a
  // sample spans `scale` columns of the target.
  const int w = ScaleWidth();
  const int h = target.Height();
  if (w - 1 < firstSampleIndex_) return;
  // Slot i + 1 must exist for every i drawn.
  const int lastI = std::min(w - 2, static_cast<int>(history_.size()) - 2);
  int i = std::max(firstSampleIndex_ + 1, 0);
  if (i > lastI) return;
  auto column = [scale](int index) { return scale == 1.0 ? index : RoundToInt(index * scale); };
  int y = RowOf(history_[static_cast<std::size_t>(i)].*value, h);
  for (; i <= lastI; ++i) {
    const int next = RowOf(history_[static_cast<std::size_t>(i) + 1].*value, h);
    const int x = column(i);
    const int nextX = column(i + 1);
    switch (diagramStyle_) {
      case kStyleLines:
        target.DrawLine(x, y, nextX, next, color);
        break;
      case kStylePoints:
        target.DrawDot(nextX, y, color);
        break;
      case kStyleBars:
        for (int bar = x; bar < std::max(nextX, x + 1); ++bar) target.DrawLine(bar, y, bar, h, color);
        break;
      default:
        return;
    }
    y = next;
  }
}

}  // namespace tarvelo::monitor
