// Draws Tarvelo.ico, the tray icon's first picture, from the program's own
// artwork: the tray gauge at rest, at the sizes Windows and Qt ask for. With a
// frame number (1 to 6), that frame of the tray animation instead, for the
// Windows program's resources.
//
//   tarvelo_make_ico OUTPUT [FRAME]
#include <QSaveFile>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "tray/IcoFile.h"
#include "tray/TrayArtwork.h"

int main(int argc, char** argv) {
  const int frame = argc == 3 ? std::atoi(argv[2]) : 1;
  if (argc < 2 || argc > 3 || frame < 1 || frame > 6) {
    std::fprintf(stderr, "usage: %s OUTPUT [FRAME]\n", argv[0]);
    return 2;
  }
  std::vector<tarvelo::IcoImage> images;
  for (int size : {16, 24, 32, 48}) {
    const QImage image = tarvelo::artwork::TrayFrameImage(frame, size).convertToFormat(QImage::Format_ARGB32);
    tarvelo::IcoImage ico{size, {}};
    for (int y = 0; y < size; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      ico.argb.insert(ico.argb.end(), row, row + size);
    }
    images.push_back(std::move(ico));
  }
  const std::string bytes = tarvelo::EncodeIco(images);
  QSaveFile out(QString::fromLocal8Bit(argv[1]));
  if (bytes.empty() || !out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
      !out.commit()) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
