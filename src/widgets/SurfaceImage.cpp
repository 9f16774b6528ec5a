#include "widgets/SurfaceImage.h"

#include <QPaintEngine>
#include <QPainter>

namespace tarvelo::widgets {

QImage SurfaceImage(const raster::PixelSurface& surface, qreal devicePixelRatio) {
  QImage image(surface.Width(), surface.Height(), QImage::Format_RGB32);
  const auto& pixels = surface.Pixels();
  for (int y = 0; y < surface.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    const raster::Color* source =
        pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.Width());
    for (int x = 0; x < surface.Width(); ++x) {
      line[x] = qRgb(raster::Red(source[x]), raster::Green(source[x]), raster::Blue(source[x]));
    }
  }
  image.setDevicePixelRatio(devicePixelRatio);
  return image;
}

qreal PaintDeviceRatio(QPainter& painter) {
  const QPaintEngine* engine = painter.paintEngine();
  const QPaintDevice* device =
      engine != nullptr && engine->paintDevice() != nullptr ? engine->paintDevice() : painter.device();
  return device->devicePixelRatioF();
}

}  // namespace tarvelo::widgets
