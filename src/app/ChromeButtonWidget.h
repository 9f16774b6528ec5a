#pragma once

#include <QWidget>
#include <array>

#include "app/ChromeButton.h"

namespace tarvelo::widgets {
class Picture;
}

namespace tarvelo {

// The minimise or close button on screen: its three pictures stacked in one
// rectangle, of which the one the button's state names is visible. The
// pictures let the mouse through to this widget, which feeds the state.
class ChromeButtonWidget : public QWidget {
  Q_OBJECT

 public:
  // imageName "ImageMin" gives pictures ImageMin_0, ImageMin_1, ImageMin_2.
  ChromeButtonWidget(QWidget* parent, const QString& imageName, ChromeButton::Kind kind, const QRect& rect);

  void PointerOverBackground();
  // A press from the keyboard or an assistive tool: the button's action at once.
  void Press();
  int VisiblePicture() const { return button_.VisiblePicture(); }

 signals:
  void Activated(tarvelo::ChromeButton::Action action);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void ShowVisiblePicture();
  void Act(ChromeButton::Action action);

  ChromeButton::Kind kind_;
  ChromeButton button_;
  std::array<widgets::Picture*, 3> images_{};
};

}  // namespace tarvelo
