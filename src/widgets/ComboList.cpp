#include "widgets/ComboList.h"

#include "widgets/Twips.h"

namespace tarvelo::widgets {

ComboList::ComboList(QWidget* parent, const QString& name, int leftTwips, int topTwips, int widthTwips,
                     int heightTwips)
    : QComboBox(parent) {
  setObjectName(name);
  setEditable(false);
  setGeometry(TwipsRect(leftTwips, topTwips, widthTwips, heightTwips));
  connect(this, &QComboBox::activated, this, &ComboList::Click);
}

bool ComboList::SetText(const QString& text) {
  const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return false;
  setCurrentIndex(index);
  return true;
}

}  // namespace tarvelo::widgets
