#pragma once

#include <QFont>
#include <QImage>

#include "button/ButtonPainter.h"

namespace tarvelo::button {

// Caption text for the painter, through QPainter on a QImage that holds the
// surface's pixels, in a Qt font.
class QtCaptionText : public CaptionText {
 public:
  QtCaptionText();

  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }
  // Dots per inch that turn the font's point size into pixels.
  void SetDpi(int dpiX, int dpiY);

  float TextWidth(std::string_view text) override;
  float TextHeight(std::string_view text) override;
  void DrawText(PixelSurface& surface, std::string_view text, const Rect& rect, Color color, TextForm form) override;

 private:
  void PrepareImage(QImage& image) const;

  QFont font_;
  int dpiX_ = 96;
  int dpiY_ = 96;
  QImage metrics_;  // a device of the right resolution to measure on
};

QFont ToQFont(const ButtonFont& font);
ButtonFont ToButtonFont(const QFont& font);

}  // namespace tarvelo::button
