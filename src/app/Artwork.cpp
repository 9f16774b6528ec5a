#include "app/Artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>

namespace tarvelo::artwork {

namespace {

constexpr double kCaptionHeight = 25;
constexpr double kHeaderBottom = 124;
constexpr double kNavigationColumnWidth = 250;
constexpr double kFooterTop = 532;

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

QPointF OnCircle(const QPointF& centre, double radius, double degrees) {
  const double a = degrees * M_PI / 180.0;
  return {centre.x() + radius * std::cos(a), centre.y() - radius * std::sin(a)};
}

QPen IconPen(const QColor& color, double width = 1.8) {
  QPen pen(color, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// The icons of the pages, drawn in one colour inside a square box.
void PaintPageIcon(QPainter& p, const QRectF& box, PageId page, const QColor& color) {
  p.save();
  p.translate(box.topLeft());
  p.scale(box.width() / 22.0, box.height() / 22.0);
  p.setPen(IconPen(color));
  p.setBrush(Qt::NoBrush);
  const QPointF c(11, 11);
  switch (page) {
    case PageId::State: {  // a gauge
      p.drawArc(QRectF(2, 3, 18, 18), 200 * 16, -220 * 16);
      p.drawLine(QPointF(11, 12), OnCircle(QPointF(11, 12), 6.5, 50));
      p.setBrush(color);
      p.drawEllipse(QPointF(11, 12), 1.6, 1.6);
      break;
    }
    case PageId::Process: {  // two chevrons pointing up: faster
      QPainterPath path;
      path.moveTo(4, 11);
      path.lineTo(11, 4);
      path.lineTo(18, 11);
      path.moveTo(4, 18);
      path.lineTo(11, 11);
      path.lineTo(18, 18);
      p.drawPath(path);
      break;
    }
    case PageId::CPU: {  // a chip with its pins
      p.drawRoundedRect(QRectF(5, 5, 12, 12), 1.5, 1.5);
      p.setBrush(color);
      p.drawRect(QRectF(8.5, 8.5, 5, 5));
      p.setPen(IconPen(color, 1.4));
      for (double x : {8.0, 11.0, 14.0}) {
        p.drawLine(QPointF(x, 1.5), QPointF(x, 4));
        p.drawLine(QPointF(x, 18), QPointF(x, 20.5));
        p.drawLine(QPointF(1.5, x), QPointF(4, x));
        p.drawLine(QPointF(18, x), QPointF(20.5, x));
      }
      break;
    }
    case PageId::Memory: {  // a memory module
      p.drawRoundedRect(QRectF(1.5, 6, 19, 9), 1.2, 1.2);
      p.setBrush(color);
      for (double x : {4.0, 8.5, 13.0}) p.drawRect(QRectF(x, 8.5, 3, 4));
      p.setPen(IconPen(color, 1.4));
      for (double x = 4; x <= 18; x += 2.8) p.drawLine(QPointF(x, 15.5), QPointF(x, 18));
      break;
    }
    case PageId::Setting: {  // a gear
      QPainterPath gear;
      constexpr int kTeeth = 8;
      for (int i = 0; i < kTeeth * 2; ++i) {
        const double r = (i % 2 == 0) ? 9.2 : 7.0;
        const double from = i * 360.0 / (kTeeth * 2) - 9;
        const QPointF a = OnCircle(c, r, from);
        const QPointF b = OnCircle(c, r, from + 360.0 / (kTeeth * 2));
        if (i == 0) gear.moveTo(a); else gear.lineTo(a);
        gear.lineTo(b);
      }
      gear.closeSubpath();
      p.drawPath(gear);
      p.drawEllipse(c, 3, 3);
      break;
    }
    case PageId::About: {  // "i" in a circle
      p.drawEllipse(c, 9, 9);
      p.drawLine(QPointF(11, 10), QPointF(11, 16));
      p.setBrush(color);
      p.setPen(Qt::NoPen);
      p.drawEllipse(QPointF(11, 6.6), 1.4, 1.4);
      break;
    }
  }
  p.restore();
}

}  // namespace

void PaintWindowBackground(QPainter& p, const QRectF& w) {
  p.setPen(Qt::NoPen);
  // Content area.
  p.fillRect(w, Vertical(w, QColor(0xF2, 0xF5, 0xF9), QColor(0xE4, 0xEA, 0xF2)));
  // Header band with a soft shade toward its bottom edge.
  const QRectF header(w.left(), kCaptionHeight, w.width(), kHeaderBottom - kCaptionHeight);
  p.fillRect(header, Vertical(header, QColor(0xFF, 0xFF, 0xFF), QColor(0xEE, 0xF3, 0xF9)));
  p.fillRect(QRectF(w.left(), kHeaderBottom - 3, w.width(), 3), kOrange);
  // Navigation column.
  const QRectF column(w.left(), kHeaderBottom, kNavigationColumnWidth, w.height() - kHeaderBottom);
  p.fillRect(column, Vertical(column, QColor(0xE2, 0xE9, 0xF2), QColor(0xD3, 0xDD, 0xEA)));
  p.fillRect(QRectF(column.right(), column.top(), 1, column.height()), QColor(0xC3, 0xCF, 0xDE));
  // Footer line.
  p.fillRect(QRectF(w.left(), kFooterTop, w.width(), 1), QColor(0xC3, 0xCF, 0xDE));
  // Caption bar across the whole width; the caption strip paints over its middle.
  PaintCaptionStrip(p, QRectF(w.left(), w.top(), w.width(), kCaptionHeight));
  // The small emblem at the caption's left end, and the big one in the header.
  PaintEmblem(p, QRectF(w.left() + 5, 4, 17, 17));
  PaintEmblem(p, QRectF(w.left() + 30, 38, 70, 70));
  // Window border.
  p.setPen(QPen(kNavy, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(w.adjusted(0.5, 0.5, -0.5, -0.5));
}

void PaintCaptionStrip(QPainter& p, const QRectF& r) {
  p.fillRect(r, Vertical(r, QColor(0x36, 0x64, 0x96), kNavy));
  // The window's border along the top, then a highlight under it.
  p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), kNavy);
  p.fillRect(QRectF(r.left(), r.top() + 1, r.width(), 1), QColor(0x5A, 0x86, 0xB6));
}

void PaintEmblem(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(r.topLeft());
  p.scale(r.width() / 100.0, r.height() / 100.0);
  const QPointF c(50, 50);
  // Dial.
  QRadialGradient face(c, 50, QPointF(40, 35));
  face.setColorAt(0, QColor(0x4A, 0x7E, 0xB4));
  face.setColorAt(1, kNavy);
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawEllipse(c, 49, 49);
  p.setBrush(Qt::white);
  p.drawEllipse(c, 40, 40);
  // Scale: green to orange to red, over 240 degrees.
  struct Band { double from, span; QColor color; };
  const Band bands[] = {{210, -110, QColor(0x3C, 0xB3, 0x4A)},
                        {100, -70, QColor(0xF5, 0xA6, 0x23)},
                        {30, -60, QColor(0xE2, 0x3D, 0x28)}};
  for (const Band& b : bands) {
    QPen pen(b.color, 9);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.drawArc(QRectF(17, 17, 66, 66), static_cast<int>(b.from * 16), static_cast<int>(b.span * 16));
  }
  // Ticks.
  p.setPen(QPen(QColor(0x2B, 0x3A, 0x4F), 2.5, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i <= 8; ++i) {
    const double a = 210 - i * 30;
    p.drawLine(OnCircle(c, 26, a), OnCircle(c, 22, a));
  }
  // Needle toward the fast end.
  QPainterPath needle;
  needle.moveTo(OnCircle(c, 34, 40));
  needle.lineTo(OnCircle(c, 5, 130));
  needle.lineTo(OnCircle(c, 5, -50));
  needle.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kOrange);
  p.drawPath(needle);
  p.setBrush(kNavy);
  p.drawEllipse(c, 7, 7);
  p.restore();
}

void PaintStatusBadge(QPainter& p, const QRectF& r) {
  p.save();
  p.translate(r.topLeft());
  p.scale(r.width() / 65.0, r.height() / 37.0);
  // Speed lines fading in from the left, then a forward chevron.
  const double rows[] = {10, 18.5, 27};
  for (int i = 0; i < 3; ++i) {
    QLinearGradient g(QPointF(2, 0), QPointF(40, 0));
    g.setColorAt(0, QColor(0xF2, 0x7C, 0x00, 0));
    g.setColorAt(1, i == 1 ? kOrange : QColor(0x4A, 0x79, 0xA8));
    p.setPen(QPen(QBrush(g), 4, Qt::SolidLine, Qt::RoundCap));
    const double start = i == 1 ? 4 : 12;
    p.drawLine(QPointF(start, rows[i]), QPointF(40, rows[i]));
  }
  QPainterPath chevron;
  chevron.moveTo(44, 6);
  chevron.lineTo(60, 18.5);
  chevron.lineTo(44, 31);
  p.setPen(QPen(kOrange, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(chevron);
  p.restore();
}

QIcon EmblemIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintEmblem(p, QRectF(0, 0, size, size));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

void PaintNavigation(QPainter& p, const QRectF& r, PageId page, bool selected) {
  const QRectF box = r.adjusted(0.5, 1.5, -0.5, -1.5);
  const QColor top = selected ? QColor(0xFF, 0xAE, 0x4A) : QColor(0x4A, 0x79, 0xA8);
  const QColor bottom = selected ? kOrange : QColor(0x2D, 0x5A, 0x86);
  const QColor border = selected ? QColor(0xCF, 0x66, 0x00) : QColor(0x23, 0x4B, 0x73);
  p.setPen(QPen(border, 1));
  p.setBrush(Vertical(box, top, bottom));
  p.drawRoundedRect(box, 5, 5);
  // Gloss along the top edge.
  p.setPen(QPen(QColor(255, 255, 255, selected ? 120 : 70), 1));
  p.drawLine(QPointF(box.left() + 5, box.top() + 1.5), QPointF(box.right() - 5, box.top() + 1.5));
  const double iconSize = std::min(22.0, box.height() - 10);
  PaintPageIcon(p, QRectF(box.left() + 20, box.center().y() - iconSize / 2, iconSize, iconSize), page,
                QColor(255, 255, 255, selected ? 255 : 215));
  if (selected) {  // a chevron toward the page
    p.setPen(IconPen(Qt::white, 2));
    const QPointF tip(box.right() - 12, box.center().y());
    p.drawPolyline(QPolygonF{{tip.x() - 4, tip.y() - 5}, tip, {tip.x() - 4, tip.y() + 5}});
  }
}

void PaintChromeButton(QPainter& p, const QRectF& r, ChromeButton::Kind kind, int picture) {
  const bool close = kind == ChromeButton::Kind::Close;
  const QRectF box = r.adjusted(0.5, 0.5, -0.5, -0.5);
  if (picture != ChromeButton::kNormal) {
    QColor fill;
    if (picture == ChromeButton::kHover) fill = close ? QColor(0xE0, 0x48, 0x48) : QColor(255, 255, 255, 60);
    else fill = close ? QColor(0xB0, 0x2A, 0x2A) : kOrange;
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(box, 3, 3);
  }
  p.setPen(IconPen(QColor(255, 255, 255, picture == ChromeButton::kNormal ? 215 : 255), 1.6));
  const QPointF c = box.center();
  if (close) {
    const double s = std::min(box.width(), box.height()) * 0.24;
    p.drawLine(QPointF(c.x() - s, c.y() - s), QPointF(c.x() + s, c.y() + s));
    p.drawLine(QPointF(c.x() - s, c.y() + s), QPointF(c.x() + s, c.y() - s));
  } else {
    const double s = std::min(box.width(), box.height()) * 0.28;
    const double y = c.y() + s * 0.7;
    p.drawLine(QPointF(c.x() - s, y), QPointF(c.x() + s, y));
  }
}

}  // namespace tarvelo::artwork
