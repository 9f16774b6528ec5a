#pragma once

#include <QComboBox>

namespace tarvelo::widgets {

// A drop-down list of fixed entries at its place in twips. Click is raised
// only when the user picks an entry.
class ComboList : public QComboBox {
  Q_OBJECT

 public:
  ComboList(QWidget* parent, const QString& name, int leftTwips, int topTwips, int widthTwips, int heightTwips);

  QString Text() const { return currentText(); }
  // Chooses the entry whose text is exactly this; false (and no change) when
  // there is none.
  bool SetText(const QString& text);

 signals:
  void Click();
};

}  // namespace tarvelo::widgets
