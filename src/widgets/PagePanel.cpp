#include "widgets/PagePanel.h"

#include <QPainter>

#include "widgets/Twips.h"

namespace tarvelo::widgets {

namespace {
constexpr int kPanelLeft = 3840;
constexpr int kPanelTop = 2160;
}  // namespace

PagePanel::PagePanel(QWidget* parent, const QString& name, int widthTwips, int heightTwips)
    : QWidget(parent) {
  setObjectName(name);
  setGeometry(TwipsRect(kPanelLeft, kPanelTop, widthTwips, heightTwips));
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
