#include "widgets/CheckBox.h"

#include "widgets/Twips.h"

namespace tarvelo::widgets {

CheckBox::CheckBox(QWidget* parent, const QString& name, const QString& caption, int leftTwips, int topTwips,
                   int widthTwips, int heightTwips)
    : QCheckBox(caption, parent) {
  setObjectName(name);
  setGeometry(TwipsRect(leftTwips, topTwips, widthTwips, heightTwips));
  // A check box fills with the button colour unless told otherwise.
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
  connect(this, &QCheckBox::clicked, this, &CheckBox::Click);
}

}  // namespace tarvelo::widgets
