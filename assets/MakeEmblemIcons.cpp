// Draws the Tarvelo emblem for the desktop's icon theme from the program's own
// artwork: PNG pictures at the sizes desktops use and one scalable SVG, laid
// out as the hicolor theme wants them.
//
//   tarvelo_make_icons OUTPUT_DIR ICON_NAME
//     OUTPUT_DIR/hicolor/<N>x<N>/apps/ICON_NAME.png, OUTPUT_DIR/hicolor/scalable/apps/ICON_NAME.svg
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "app/Artwork.h"

namespace {

// The emblem's own drawing size; the SVG's view box.
constexpr int kDrawingSize = 100;

bool WritePng(const QString& themeDir, int size, const QString& name) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  tarvelo::artwork::PaintEmblem(p, QRectF(0, 0, size, size));
  p.end();
  const QString dir = QStringLiteral("%1/%2x%2/apps").arg(themeDir).arg(size);
  return QDir().mkpath(dir) && image.save(dir + "/" + name + ".png", "PNG");
}

bool WriteSvg(const QString& themeDir, const QString& name) {
  const QString dir = themeDir + "/scalable/apps";
  if (!QDir().mkpath(dir)) return false;
  QSvgGenerator svg;
  svg.setFileName(dir + "/" + name + ".svg");
  svg.setSize(QSize(kDrawingSize, kDrawingSize));
  svg.setViewBox(QRect(0, 0, kDrawingSize, kDrawingSize));
  svg.setTitle("Tarvelo");
  svg.setDescription("The Tarvelo emblem: a speed gauge");
  QPainter p;
  if (!p.begin(&svg)) return false;
  tarvelo::artwork::PaintEmblem(p, QRectF(0, 0, kDrawingSize, kDrawingSize));
  return p.end();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR ICON_NAME\n", argv[0]);
    return 2;
  }
  const QString themeDir = QString::fromLocal8Bit(argv[1]) + "/hicolor";
  const QString name = QString::fromLocal8Bit(argv[2]);
  bool ok = WriteSvg(themeDir, name);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) ok = WritePng(themeDir, size, name) && ok;
  if (!ok) {
    std::fprintf(stderr, "%s: cannot write the icons into %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
