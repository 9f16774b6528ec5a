#include "widgets/Fonts.h"

#include <QStringList>

namespace tarvelo::widgets {

void InstallFontSubstitutions() {
  QFont::insertSubstitutions("Verdana", {"DejaVu Sans", "Bitstream Vera Sans"});
  QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "DejaVu Sans"});
}

QFont Verdana(double pointSize, bool bold) {
  QFont font("Verdana");
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QFont Arial(double pointSize, bool bold) {
  QFont font("Arial");
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  return font;
}

QFont WindowFont() { return Verdana(7.5); }
QFont HeadingFont() { return Verdana(9, true); }
QFont CaptionFont() { return Verdana(7.5, true); }

}  // namespace tarvelo::widgets
