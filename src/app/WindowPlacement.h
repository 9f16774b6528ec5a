#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

class QWidget;

namespace tarvelo {

// Where the window's top-left corner goes: centred on the screen, then moved
// into its available area (clear of panels) as far as it fits, and never so
// that the top or left edge (with the caption strip) lies outside it, even
// when the window is larger than the screen.
QPoint CentredPosition(const QSize& window, const QRect& screen, const QRect& available);

// A top-left corner for a window at `at` whose caption strip, at `caption`
// within the window, shows at least `minVisible` pixels across on one of the
// screens: `at` itself when it does, else the nearest such corner.
QPoint KeepCaptionReachable(const QPoint& at, const QRect& caption, const QList<QRect>& screens, int minVisible);

// Keeps a frameless window reachable: centres it at start-up, and after the
// window was moved (dragged by the user, or screens changed) puts it back
// where its caption strip can be grabbed again.
class WindowPlacement : public QObject {
  Q_OBJECT

 public:
  // caption: the strip that drags the window, in window coordinates.
  WindowPlacement(QWidget& window, const QRect& caption);

  void CentreOnScreen();
  // Moves the window back where its caption is reachable; returns whether it moved.
  bool KeepReachable();

  static constexpr int kMinVisible = 48;  // pixels of the caption left to grab

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  QRect caption_;
  QTimer settle_;  // a drag moves the window many times: act when it rests
};

}  // namespace tarvelo
