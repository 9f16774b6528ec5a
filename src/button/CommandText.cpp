#include "button/CommandText.h"

#include <QFontMetricsF>
#include <algorithm>
#include <QImage>
#include <QPainter>
#include <QtMath>
#include <QStringList>

namespace tarvelo::button {

namespace {

constexpr double kInchesPerMeter = 39.37007874015748;

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QStringList Lines(std::string_view text) {
  QString s = FromUtf8(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return s.split(QLatin1Char('\n'));
}

}  // namespace

QFont ToQFont(const ButtonFont& source) {
  QFont font(QString::fromStdString(source.name));
  if (source.size > 0) font.setPointSizeF(source.size);
  font.setBold(source.bold);
  font.setItalic(source.italic);
  return font;
}

ButtonFont ToButtonFont(const QFont& font) {
  return {font.family().toStdString(), font.pointSizeF(), font.bold(), font.italic()};
}

QtCaptionText::QtCaptionText() : metrics_(1, 1, QImage::Format_RGB32) { SetDpi(96, 96); }

void QtCaptionText::SetFont(const QFont& font) { font_ = font; }

void QtCaptionText::SetDpi(int dpiX, int dpiY) {
  dpiX_ = dpiX > 0 ? dpiX : 96;
  dpiY_ = dpiY > 0 ? dpiY : 96;
  PrepareImage(metrics_);
}

void QtCaptionText::PrepareImage(QImage& image) const {
  image.setDotsPerMeterX(qRound(dpiX_ * kInchesPerMeter));
  image.setDotsPerMeterY(qRound(dpiY_ * kInchesPerMeter));
}

float QtCaptionText::TextWidth(std::string_view text) {
  const QFontMetricsF metrics(font_, &metrics_);
  qreal width = 0;
  for (const QString& line : Lines(text)) width = std::max(width, metrics.horizontalAdvance(line));
  return static_cast<float>(width);
}

float QtCaptionText::TextHeight(std::string_view text) {
  const QFontMetricsF metrics(font_, &metrics_);
  return static_cast<float>(metrics.height() * static_cast<qreal>(Lines(text).size()));
}

void QtCaptionText::DrawText(PixelSurface& surface, std::string_view text, const Rect& rect, Color color,
                             TextForm form) {
  const QRect target(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  if (text.empty() || target.isEmpty()) return;
  const int flags = form == TextForm::kSingleLine
                        ? Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs |
                              Qt::TextShowMnemonic
                        : Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
  const QString string = FromUtf8(text);

  // Only the pixels around the glyphs take part: the text's box with room for
  // antialiasing and overhangs.
  const QFontMetricsF metrics(font_, &metrics_);
  const int margin = 2 + (font_.italic() ? qCeil(metrics.height() / 3) : 0);
  const QRect box = metrics.boundingRect(QRectF(target), flags, string).toAlignedRect().adjusted(
      -margin, -margin, margin, margin);
  const QRect area = box.intersected(target).intersected(QRect(0, 0, surface.Width(), surface.Height()));
  if (area.isEmpty()) return;

  // The pixels under the text, as a Qt image...
  QImage image(area.size(), QImage::Format_RGB32);
  PrepareImage(image);
  const Color* pixels = surface.Pixels().data();
  const auto at = [&](int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.Width()) + static_cast<std::size_t>(x)];
  };
  for (int y = 0; y < area.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < area.width(); ++x) {
      const Color c = at(area.left() + x, area.top() + y);
      line[x] = qRgb(raster::Red(c), raster::Green(c), raster::Blue(c));
    }
  }

  // ...the text over them, clipped to its rectangle...
  {
    QPainter painter(&image);
    painter.translate(-area.topLeft());
    painter.setClipRect(area);
    painter.setFont(font_);
    painter.setPen(QColor(raster::Red(color), raster::Green(color), raster::Blue(color)));
    painter.drawText(target, flags, string);
  }

  // ...and back: the pixels the text changed.
  for (int y = 0; y < area.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < area.width(); ++x) {
      const Color c = raster::MakeColor(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
      if (c != at(area.left() + x, area.top() + y)) surface.DrawDot(area.left() + x, area.top() + y, c);
    }
  }
}

}  // namespace tarvelo::button
