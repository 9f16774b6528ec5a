#include "widgets/PagePanel.h"

#include <QPainter>

#include "forms/Forms.h"
#include "widgets/Twips.h"

namespace tarvelo::widgets {

PagePanel::PagePanel(QWidget* parent, const QString& name, int widthTwips, int heightTwips)
    : QWidget(parent) {
  setObjectName(name);
  setGeometry(TwipsRect(form::kPageLeft, form::kPageTop, widthTwips, heightTwips));
}

void PagePanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(QColor(0xC6, 0xD2, 0xE0));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(box, 4, 4);
}

}  // namespace tarvelo::widgets
