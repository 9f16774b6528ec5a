#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace tarvelo::testing {

// Watches for the next modal window of type T (a message box, a dialog) and
// hands it to `act` once it shows. The code under test may yield to the
// event loop before it opens the window, so the watcher keeps looking until
// then. Lives for the duration of one step of a test.
template <typename T>
class ModalWatcher {
 public:
  explicit ModalWatcher(std::function<void(T&)> act) : act_(std::move(act)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
      if (window == nullptr) return;
      poll_.stop();
      seen_ = true;
      act_(*window);
    });
    poll_.start(5);
  }
  bool Seen() const { return seen_; }

 private:
  std::function<void(T&)> act_;
  QTimer poll_;
  bool seen_ = false;
};

// What a message box showed; the watcher that records it dismisses it.
struct ShownMessage {
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;

  // Records the next message box and accepts it; `also` runs while it shows.
  static ModalWatcher<QMessageBox> Record(ShownMessage& message, std::function<void()> also = {}) {
    return ModalWatcher<QMessageBox>([&message, also](QMessageBox& box) {
      message = {box.text(), box.windowTitle(), box.icon(), box.standardButtons()};
      if (also) also();
      box.accept();
    });
  }
};

}  // namespace tarvelo::testing
