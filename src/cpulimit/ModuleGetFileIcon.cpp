#include "cpulimit/ModuleGetFileIcon.h"

#include <QPainter>
#include <QPixmap>

#include "platform/FileIcons.h"

namespace tarvelo::ModuleGetFileIcon {

namespace {

// A program window: our own picture where the icon theme has none.
QIcon DrawnProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 16.0;
    const QRectF frame(1.5 * s, 2.5 * s, 13 * s, 11 * s);
    p.setPen(QPen(QColor(0x2D, 0x5A, 0x86), s));
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 1.5 * s, 1.5 * s);
    p.fillRect(QRectF(frame.left(), frame.top(), frame.width(), 3 * s), QColor(0x4A, 0x79, 0xA8));
    p.fillRect(QRectF(4 * s, 8 * s, 8 * s, 1 * s), QColor(0xF2, 0x7C, 0x00));
    p.fillRect(QRectF(4 * s, 10.5 * s, 5 * s, 1 * s), QColor(0xB0, 0xBE, 0xCE));
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon GenericProgramIcon() {
  static const QIcon icon = QIcon::fromTheme("application-x-executable", DrawnProgramIcon());
  return icon;
}

}  // namespace

QIcon GetFileIcon(platform::FileIcons& icons, const std::string& path, bool small) {
  if (path.empty()) return {};
  const platform::IconSource source = icons.IconOf(path);
  QIcon icon;
  if (!source.themeName.empty()) icon = QIcon::fromTheme(QString::fromStdString(source.themeName));
  else if (!source.filePath.empty()) icon = QIcon(QString::fromStdString(source.filePath));
  const int size = small ? 16 : 32;
  if (icon.isNull() || icon.pixmap(size).isNull()) icon = GenericProgramIcon();
  return icon;
}

}  // namespace tarvelo::ModuleGetFileIcon
