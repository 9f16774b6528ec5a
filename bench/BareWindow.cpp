// The baseline of the window benchmarks: a bare Qt widget of Tarvelo's size
// with a tray icon, no timers and nothing else. It runs until it is ended.
//   bare_window [--hidden]   (--hidden: the tray icon only, like a start
//                            hidden in the tray)
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
  window.setWindowTitle("bare window");
  window.setFixedSize(786, 557);
  QPixmap picture(16, 16);
  picture.fill(QColor(0x2D, 0x5A, 0x86));
  QSystemTrayIcon tray{QIcon(picture)};
  tray.show();
  if (!QApplication::arguments().contains("--hidden")) window.show();
  return QApplication::exec();
}
