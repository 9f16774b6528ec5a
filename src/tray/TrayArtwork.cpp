#include "tray/TrayArtwork.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>

#include "tray/ModuleTrayIcon.h"

namespace tarvelo::artwork {

namespace {

const QColor kNavy(0x1E, 0x3A, 0x5F);
const QColor kOrange(0xF2, 0x7C, 0x00);

QPointF OnCircle(const QPointF& centre, double radius, double degrees) {
  const double a = degrees * M_PI / 180.0;
  return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

// A frame as an icon drawn on demand at the size asked for, so that nothing is
// rendered before it is shown and every size is sharp. Each size is drawn once.
class FrameIconEngine final : public QIconEngine {
 public:
  explicit FrameIconEngine(int frame) : frame_(frame) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect.topLeft(), picture);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::max(1, std::min(size.width(), size.height()));
    auto cached = cache_.constFind(side);
    if (cached == cache_.constEnd()) cached = cache_.insert(side, QPixmap::fromImage(TrayFrameImage(frame_, side)));
    return *cached;
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
  }
  QIconEngine* clone() const override { return new FrameIconEngine(frame_); }
  QString key() const override { return "TarveloTrayFrame"; }

 private:
  int frame_;
  QHash<int, QPixmap> cache_;
};

}  // namespace

void PaintTrayFrame(QPainter& p, const QRectF& r, int frame) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(r.topLeft());
  p.scale(r.width() / 16.0, r.height() / 16.0);
  const QPointF c(8, 8);

  // Dial: a navy rim around a white face.
  QRadialGradient rim(c, 8, QPointF(6, 5));
  rim.setColorAt(0, QColor(0x4A, 0x7E, 0xB4));
  rim.setColorAt(1, kNavy);
  p.setPen(Qt::NoPen);
  p.setBrush(rim);
  p.drawEllipse(c, 7.75, 7.75);
  p.setBrush(Qt::white);
  p.drawEllipse(c, 5.9, 5.9);

  // Scale from green to red over 240 degrees.
  struct Band {
    double from, span;
    QColor color;
  };
  const Band bands[] = {{210, -110, QColor(0x3C, 0xB3, 0x4A)},
                        {100, -70, QColor(0xF5, 0xA6, 0x23)},
                        {30, -60, QColor(0xE2, 0x3D, 0x28)}};
  for (const Band& b : bands) {
    QPen pen(b.color, 1.3);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.2, 3.2, 9.6, 9.6), static_cast<int>(b.from * 16), static_cast<int>(b.span * 16));
  }

  // The needle: frame 1 rests at the slow end, frame 6 points to the fast end.
  const int step = std::clamp(frame, 1, ModuleTrayIcon::kFrameCount) - 1;
  const double angle = 210.0 - step * 48.0;
  QPen needle(kOrange, 1.7);
  needle.setCapStyle(Qt::RoundCap);
  p.setPen(needle);
  p.drawLine(c, OnCircle(c, 4.6, angle));
  p.setPen(Qt::NoPen);
  p.setBrush(kNavy);
  p.drawEllipse(c, 1.4, 1.4);
  p.restore();
}

QImage TrayFrameImage(int frame, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  PaintTrayFrame(p, QRectF(0, 0, size, size), frame);
  p.end();
  return image;
}

QIcon TrayFrameIcon(int frame) { return QIcon(new FrameIconEngine(frame)); }

}  // namespace tarvelo::artwork
