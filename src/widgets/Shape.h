#pragma once

#include <QColor>
#include <QWidget>
#include <optional>

namespace tarvelo::widgets {

// A rectangle drawn on a page: a 1-pixel border, filled or not.
class Shape : public QWidget {
  Q_OBJECT

 public:
  Shape(QWidget* parent, const QString& name, const QRect& rect, const QColor& border,
        std::optional<QColor> fill = std::nullopt);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor border_;
  std::optional<QColor> fill_;
};

}  // namespace tarvelo::widgets
