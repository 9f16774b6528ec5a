#include "widgets/Shape.h"

#include <QPainter>

namespace tarvelo::widgets {

Shape::Shape(QWidget* parent, const QString& name, const QRect& rect, const QColor& border,
             std::optional<QColor> fill)
    : QWidget(parent), border_(border), fill_(fill) {
  setObjectName(name);
  setGeometry(rect);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (fill_) p.fillRect(rect(), *fill_);
  p.setPen(border_);
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace tarvelo::widgets
