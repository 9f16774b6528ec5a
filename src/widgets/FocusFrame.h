#pragma once

#include <QPointer>
#include <QWidget>

namespace tarvelo::widgets {

// A dotted frame drawn around another control while it has the keyboard
// focus, for controls whose own look shows none (a slider, for one). It sits
// beside the control, over it, and lets the mouse through.
class FocusFrame : public QWidget {
  Q_OBJECT

 public:
  explicit FocusFrame(QWidget* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Follow();

  QPointer<QWidget> target_;
};

}  // namespace tarvelo::widgets
