#pragma once

#include <QWidget>

namespace tarvelo::widgets {

// One page of the main window: a panel of its own size at the pages' common
// place; the controls of the page are its children.
class PagePanel : public QWidget {
  Q_OBJECT

 public:
  PagePanel(QWidget* parent, const QString& name, int widthTwips, int heightTwips);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace tarvelo::widgets
