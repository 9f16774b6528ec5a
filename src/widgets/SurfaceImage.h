#pragma once

#include <QImage>

#include "raster/PixelSurface.h"

class QPainter;

namespace tarvelo::widgets {

// The surface's pixels as an opaque image (Format_RGB32, alpha 255), the
// same on every backing store: an X11 one without alpha and a Wayland one
// with it.
QImage SurfaceImage(const raster::PixelSurface& surface, qreal devicePixelRatio = 1.0);

// The pixel ratio of what the painter really paints on: the window's backing
// store, or the image a widget is rendered into.
qreal PaintDeviceRatio(QPainter& painter);

}  // namespace tarvelo::widgets
