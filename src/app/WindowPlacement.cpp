#include "app/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <limits>

namespace tarvelo {

namespace {

constexpr int kSettleMs = 250;

// Screen positioning is the compositor's under Wayland: a client can neither
// read nor set its window's place.
bool PlacesItsOwnWindows() { return !QGuiApplication::platformName().startsWith("wayland"); }

}  // namespace

QPoint CentredPosition(const QSize& window, const QRect& screen, const QRect& available) {
  const int left = screen.left() + qRound((screen.width() - window.width()) / 2.0);
  const int top = screen.top() + qRound((screen.height() - window.height()) / 2.0);
  // The right and bottom edges give way first: the top-left corner wins.
  const int maxLeft = std::max(available.left(), available.right() + 1 - window.width());
  const int maxTop = std::max(available.top(), available.bottom() + 1 - window.height());
  return {std::clamp(left, available.left(), maxLeft), std::clamp(top, available.top(), maxTop)};
}

QPoint KeepCaptionReachable(const QPoint& at, const QRect& caption, const QList<QRect>& screens, int minVisible) {
  QPoint best = at;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const QRect& screen : screens) {
    if (screen.isEmpty()) continue;
    const int need = std::min({minVisible, caption.width(), screen.width()});
    // The ranges of the corner for which the caption shows `need` pixels
    // across and its whole height within this screen.
    const int minX = screen.left() + need - 1 - caption.right();
    const int maxX = screen.right() + 1 - need - caption.left();
    const int minY = screen.top() - caption.top();
    const int maxY = std::max(minY, screen.bottom() - caption.bottom());
    const QPoint corner(std::clamp(at.x(), minX, std::max(minX, maxX)), std::clamp(at.y(), minY, maxY));
    const long long dx = corner.x() - at.x();
    const long long dy = corner.y() - at.y();
    if (dx * dx + dy * dy < bestDistance) {
      bestDistance = dx * dx + dy * dy;
      best = corner;
    }
  }
  return best;
}

WindowPlacement::WindowPlacement(QWidget& window, const QRect& caption)
    : QObject(&window), window_(window), caption_(caption) {
  setObjectName("WindowPlacement");
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &WindowPlacement::KeepReachable);
  window.installEventFilter(this);
  // A screen unplugged or changed may leave the window where nobody sees it.
  auto watchScreen = [this](QScreen* screen) {
    connect(screen, &QScreen::availableGeometryChanged, &settle_, qOverload<>(&QTimer::start));
  };
  for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
  connect(qGuiApp, &QGuiApplication::screenAdded, this, watchScreen);
  connect(qGuiApp, &QGuiApplication::screenRemoved, &settle_, qOverload<>(&QTimer::start));
}

void WindowPlacement::CentreOnScreen() {
  const QScreen* screen = window_.screen() != nullptr ? window_.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  window_.move(CentredPosition(window_.size(), screen->geometry(), screen->availableGeometry()));
}

bool WindowPlacement::KeepReachable() {
  if (!PlacesItsOwnWindows() || !window_.isVisible() || window_.isMinimized()) return false;
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
  const QPoint at = window_.pos();
  const QPoint reachable = KeepCaptionReachable(at, caption_, screens, kMinVisible);
  if (reachable == at) return false;
  window_.move(reachable);
  return true;
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && (event->type() == QEvent::Move || event->type() == QEvent::Show)) settle_.start();
  return false;
}

}  // namespace tarvelo
