// The baseline of the window benchmarks: a bare Qt widget of Tarvelo's size
// with a tray icon and one line of drawn text, no timers and nothing else.
// The text makes it load and rasterise fonts, as any real tray program does.
// It runs until it is ended.
//   bare_window [--hidden]   (--hidden: the tray icon only, like a start
//                            hidden in the tray)
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

class TextWindow final : public QWidget {
 public:
  TextWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawText(QPoint(20, 30), "A bare tray window with one line of text");
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  TextWindow window;
  window.setWindowTitle("bare window");
  window.setFixedSize(786, 557);
  QPixmap picture(16, 16);
  picture.fill(QColor(0x2D, 0x5A, 0x86));
  QSystemTrayIcon tray{QIcon(picture)};
  tray.show();
  if (!QApplication::arguments().contains("--hidden")) window.show();
  return QApplication::exec();
}
