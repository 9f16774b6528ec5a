#include "cpulimit/ModuleGetFileIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <cstring>

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

// The shell's own picture of the file (Windows), as Qt keeps it.
QIcon PictureIcon(const platform::IconPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
    return {};
  }
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * picture.width,
                static_cast<std::size_t>(picture.width) * sizeof(std::uint32_t));
  }
  return QIcon(QPixmap::fromImage(image));
}

QIcon GenericProgramIcon() {
  static const QIcon icon = QIcon::fromTheme("application-x-executable", DrawnProgramIcon());
  return icon;
}

}  // namespace

QIcon GetFileIcon(platform::FileIcons& icons, const std::string& path, bool smallIcon) {
  if (path.empty()) return {};
  if (const auto picture = icons.PictureOf(path, smallIcon)) {
    if (QIcon icon = PictureIcon(*picture); !icon.isNull()) return icon;
  }
  const platform::IconSource source = icons.IconOf(path);
  QIcon icon;
  if (!source.themeName.empty()) icon = QIcon::fromTheme(QString::fromStdString(source.themeName));
  else if (!source.filePath.empty()) icon = QIcon(QString::fromStdString(source.filePath));
  const int size = smallIcon ? 16 : 32;
  if (icon.isNull() || icon.pixmap(size).isNull()) icon = GenericProgramIcon();
  return icon;
}

}  // namespace tarvelo::ModuleGetFileIcon
