#include "widgets/Picture.h"

#include <QMouseEvent>
#include <QPainter>

namespace tarvelo::widgets {

Picture::Picture(QWidget* parent, const QString& name, const QRect& rect, Artwork artwork)
    : QWidget(parent), artwork_(std::move(artwork)) {
  setObjectName(name);
  setGeometry(rect);
}

void Picture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  artwork_(painter, QRectF(rect()));
}

void Picture::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  emit Pressed(event->button(), event->globalPosition());
}

void Picture::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
}

}  // namespace tarvelo::widgets
