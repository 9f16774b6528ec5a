#pragma once

#include <QWidget>
#include <functional>

namespace tarvelo::widgets {

// A picture control: artwork painted by code at the device's resolution, so
// it stays crisp at any scale.
class Picture : public QWidget {
  Q_OBJECT

 public:
  using Artwork = std::function<void(QPainter&, const QRectF&)>;

  Picture(QWidget* parent, const QString& name, const QRect& rect, Artwork artwork);

 signals:
  void Clicked();
  void Pressed(Qt::MouseButton button, const QPointF& globalPosition);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Artwork artwork_;
};

}  // namespace tarvelo::widgets
