#include "widgets/Label.h"

#include <QMouseEvent>

#include "widgets/Twips.h"

namespace tarvelo::widgets {

Label::Label(QWidget* parent, const QString& name, const QString& text, int leftTwips, int topTwips)
    : QLabel(parent) {
  setObjectName(name);
  setTextFormat(Qt::PlainText);
  setTextInteractionFlags(Qt::NoTextInteraction);
  move(TwipsPoint(leftTwips, topTwips));
  SetCaption(text);
}

void Label::SetColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

void Label::SetFixedSizeTwips(int widthTwips, int heightTwips, bool wordWrap) {
  autoSize_ = false;
  setWordWrap(wordWrap);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  resize(TwipsSize(widthTwips, heightTwips));
}

void Label::SetCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  if (autoSize_) adjustSize();
}

void Label::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange && autoSize_) adjustSize();
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
}

}  // namespace tarvelo::widgets
