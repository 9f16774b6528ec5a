#include "widgets/FocusFrame.h"

#include <QEvent>
#include <QPainter>

namespace tarvelo::widgets {

FocusFrame::FocusFrame(QWidget* target) : QWidget(target->parentWidget()), target_(target) {
  setObjectName(target->objectName() + "FocusFrame");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  target->installEventFilter(this);
  Follow();
}

void FocusFrame::Follow() {
  if (!target_) return;
  setGeometry(target_->geometry());
  setVisible(target_->hasFocus() && target_->isVisible());
  raise();
}

bool FocusFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_) {
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide: Follow(); break;
      default: break;
    }
  }
  return false;
}

void FocusFrame::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
  pen.setCosmetic(true);
  painter.setPen(pen);
  painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace tarvelo::widgets
