#include "app/ChromeButtonWidget.h"

#include <QMouseEvent>

#include "app/Artwork.h"
#include "widgets/Picture.h"

namespace tarvelo {

ChromeButtonWidget::ChromeButtonWidget(QWidget* parent, const QString& imageName, ChromeButton::Kind kind,
                                       const QRect& rect)
    : QWidget(parent), kind_(kind), button_(kind) {
  setObjectName(imageName);
  setAccessibleName(kind == ChromeButton::Kind::Minimize ? "Minimize" : "Close");
  setGeometry(rect);
  setMouseTracking(true);
  for (int i = 0; i < 3; ++i) {
    images_[i] = new widgets::Picture(this, imageName + "_" + QString::number(i), QRect(QPoint(), rect.size()),
                                      [kind, i](QPainter& p, const QRectF& r) {
                                        artwork::PaintChromeButton(p, r, kind, i);
                                      });
    images_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  ShowVisiblePicture();
}

void ChromeButtonWidget::PointerOverBackground() {
  button_.PointerOverBackground();
  ShowVisiblePicture();
}

void ChromeButtonWidget::Press() {
  Act(kind_ == ChromeButton::Kind::Minimize ? ChromeButton::Action::Minimize : ChromeButton::Action::HideToTray);
}

void ChromeButtonWidget::ShowVisiblePicture() {
  for (int i = 0; i < 3; ++i) images_[i]->setVisible(i == button_.VisiblePicture());
}

void ChromeButtonWidget::Act(ChromeButton::Action action) {
  if (action != ChromeButton::Action::None) emit Activated(action);
}

void ChromeButtonWidget::mousePressEvent(QMouseEvent*) {
  button_.MouseDown();
  ShowVisiblePicture();
}

void ChromeButtonWidget::mouseMoveEvent(QMouseEvent*) {
  button_.MouseMove();
  ShowVisiblePicture();
}

void ChromeButtonWidget::mouseReleaseEvent(QMouseEvent* event) {
  Act(button_.MouseUp());
  // Down and up on the button make a click.
  if (rect().contains(event->position().toPoint())) Act(button_.Click());
}

}  // namespace tarvelo
