#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace tarvelo {
namespace {

const QSize kWindow(786, 557);
const QRect kCaption(32, 0, 681, 25);  // ImageCaption within the window

TEST(WindowPlacement, CentresButKeepsTheTopLeftOnTheScreen) {
  const struct {
    const char* what;
    QRect screen;
    QRect available;
    QPoint expected;
  } cases[] = {
      {"room to spare", QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080), QPoint(567, 262)},
      {"a panel that leaves room", QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 776), QPoint(247, 122)},
      {"second screen, a panel on top in the way", QRect(1920, 0, 1280, 600), QRect(1920, 60, 1280, 540),
       QPoint(2167, 60)},
      {"a tall panel below in the way", QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 600), QPoint(247, 43)},
      {"1366x768 at 150 %, panel below", QRect(0, 0, 911, 512), QRect(0, 0, 911, 482), QPoint(63, 0)},
      {"narrower than the window", QRect(100, 50, 640, 480), QRect(100, 50, 640, 480), QPoint(100, 50)},
  };
  for (const auto& c : cases) EXPECT_EQ(CentredPosition(kWindow, c.screen, c.available), c.expected) << c.what;
}

TEST(WindowPlacement, CaptionStaysWithinReachOfSomeScreen) {
  const QList<QRect> one{QRect(0, 0, 911, 512)};
  // Two screens of different heights side by side.
  const QList<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720)};
  const int grab = WindowPlacement::kMinVisible;
  const struct {
    const char* what;
    QList<QRect> screens;
    QPoint at;
    QPoint expected;
  } cases[] = {
      {"reachable stays", one, QPoint(63, 0), QPoint(63, 0)},
      {"window below the screen but caption on it", one, QPoint(10, 400), QPoint(10, 400)},
      {"caption above the screen", one, QPoint(63, -23), QPoint(63, 0)},
      {"caption below the screen", one, QPoint(63, 600), QPoint(63, 512 - 25)},
      {"dragged off to the left", one, QPoint(-2000, 100), QPoint(grab - 1 - 712, 100)},
      {"dragged off to the right", one, QPoint(5000, 100), QPoint(911 - grab - 32, 100)},
      {"just enough on the left", one, QPoint(grab - 1 - 712, 100), QPoint(grab - 1 - 712, 100)},
      {"on the second screen", two, QPoint(2000, 300), QPoint(2000, 300)},
      {"below the shorter screen", two, QPoint(2400, 900), QPoint(2400, 720 - 25)},
      {"past the right of both", two, QPoint(4000, 10), QPoint(3200 - grab - 32, 10)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeepCaptionReachable(c.at, kCaption, c.screens, grab), c.expected) << c.what;
  }
}

TEST(WindowPlacement, AWindowMovedOutOfReachComesBack) {
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setFixedSize(kWindow);
  auto* placement = new WindowPlacement(window, kCaption);
  placement->CentreOnScreen();
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QRect screen = window.screen()->availableGeometry();
  window.move(screen.left() + 40, screen.top() - 300);  // as a drag past the top would leave it
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.pos().y() == screen.top(); }, 10000)) << window.pos().y();
  EXPECT_EQ(window.pos().x(), screen.left() + 40);
}

}  // namespace
}  // namespace tarvelo
