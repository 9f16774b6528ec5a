#pragma once

#include <QLabel>

namespace tarvelo::widgets {

// A static text of a window at its position in twips. Its text is always plain
// text, never markup: titles, names and replies from outside are shown as they
// are. Without a fixed size it sizes itself to its text.
class Label : public QLabel {
  Q_OBJECT

 public:
  Label(QWidget* parent, const QString& name, const QString& text, int leftTwips, int topTwips);

  void SetColor(const QColor& color);
  // A fixed box, in twips; the text wraps at word boundaries inside it.
  void SetFixedSizeTwips(int widthTwips, int heightTwips, bool wordWrap = true);
  // Sets the text (and the size, when the label sizes itself to its text).
  void SetCaption(const QString& text);

 signals:
  void Clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool autoSize_ = true;
};

}  // namespace tarvelo::widgets
