#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

namespace tarvelo::artwork {

// The tray icon's animation: a small speed gauge whose needle sweeps from slow
// (frame 1) to fast (frame 6). Drawn on a 16 × 16 grid, by code, so it stays
// crisp at every size and pixel density.
void PaintTrayFrame(QPainter& p, const QRectF& r, int frame);

// One frame at size × size pixels, transparent around the gauge.
QImage TrayFrameImage(int frame, int size);

// One frame as an icon, drawn when it is first shown at each size.
QIcon TrayFrameIcon(int frame);

}  // namespace tarvelo::artwork
