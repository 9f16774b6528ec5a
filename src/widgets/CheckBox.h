#pragma once

#include <QCheckBox>

namespace tarvelo::widgets {

// A check box at its place in twips, on the pages' white background. Its
// value is 0 or 1; Click is raised only when the user changes it, so that
// putting a stored value onto it writes nothing back.
class CheckBox : public QCheckBox {
  Q_OBJECT

 public:
  CheckBox(QWidget* parent, const QString& name, const QString& caption, int leftTwips, int topTwips,
           int widthTwips, int heightTwips);

  int Value() const { return isChecked() ? 1 : 0; }
  void SetValue(int value) { setChecked(value != 0); }

 signals:
  void Click();
};

}  // namespace tarvelo::widgets
