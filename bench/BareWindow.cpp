// Baselines of the benchmarks: a bare Qt window of Tarvelo's size that ends as
// soon as it is on the screen; with --idle it stays and runs empty timers of
// the program's seven intervals (the floor of its idle CPU time).
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

class QuitWhenExposed : public QObject {
 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(object)->isExposed()) {
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return false;
  }
};

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setFixedSize(786, 557);
  window.show();
  QuitWhenExposed quit;
  if (QApplication::arguments().contains("--idle")) {
    for (int interval : {3000, 20, 1000, 900, 1100, 100, 990}) {
      auto* timer = new QTimer(&window);
      QObject::connect(timer, &QTimer::timeout, [] {});
      timer->start(interval);
    }
  } else {
    window.windowHandle()->installEventFilter(&quit);
  }
  return QApplication::exec();
}
