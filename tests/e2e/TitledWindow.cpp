// A bare window with the title given, in a process of its own: something for
// the booster to find in front.
//   titled_window TITLE [X Y]
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("Untitled"));
  const int x = argc > 3 ? QString(argv[2]).toInt() : 0;
  const int y = argc > 3 ? QString(argv[3]).toInt() : 0;
  window.setGeometry(x, y, 200, 100);
  window.show();
  return app.exec();
}
