// The tray icon's pictures: Tarvelo.ico, the six frames, and the icon the
// notification area gets from them.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include "app/FormTarvelo.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"
#include "tray/FormMenu.h"
#include "tray/IcoFile.h"
#include "tray/TrayArtwork.h"
#include "tray/TrayController.h"

namespace tarvelo {
namespace {

// Largest difference of one channel between two pictures of the same size;
// 256 when the sizes differ.
int Difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 256;
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  int worst = 0;
  for (int row = 0; row < x.height(); ++row) {
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row);
      const QRgb q = y.pixel(col, row);
      // Colour under full transparency means nothing.
      if (qAlpha(p) == 0 && qAlpha(q) == 0) continue;
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
    }
  }
  return worst;
}

bool Transparent(const QImage& image) {
  const QImage x = image.convertToFormat(QImage::Format_ARGB32);
  for (int row = 0; row < x.height(); ++row) {
    for (int col = 0; col < x.width(); ++col) {
      if (qAlpha(x.pixel(col, row)) != 0) return false;
    }
  }
  return true;
}

QImage Picture(const QIcon& icon, int size) { return icon.pixmap(size, size).toImage(); }

TEST(IcoFile, EveryPictureReadsBackAsWritten) {
  std::vector<IcoImage> images;
  for (int size : {1, 16, 33, 256}) {  // 33: rows of the mask are padded
    IcoImage image{size, {}};
    for (int i = 0; i < size * size; ++i) {
      // A pattern with opaque, half and fully transparent pixels.
      const std::uint32_t alpha = i % 3 == 0 ? 0xFF : (i % 3 == 1 ? 0x80 : 0x00);
      image.argb.push_back(alpha << 24 | static_cast<std::uint32_t>(i * 7 % 256) << 16 |
                           static_cast<std::uint32_t>(i * 13 % 256) << 8 | static_cast<std::uint32_t>(size));
    }
    images.push_back(std::move(image));
  }
  const std::string bytes = EncodeIco(images);
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  QImageReader reader(&buffer, "ico");
  ASSERT_EQ(reader.imageCount(), 4);
  for (const IcoImage& expected : images) {
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(expected.size, expected.size));
    for (int i = 0; i < expected.size * expected.size; ++i) {
      const QRgb want = expected.argb[static_cast<std::size_t>(i)];
      const QRgb got = image.pixel(i % expected.size, i / expected.size);
      if (qAlpha(want) == 0) {
        ASSERT_EQ(qAlpha(got), 0) << expected.size << " at " << i;
      } else if (qAlpha(want) == 0xFF) {
        ASSERT_EQ(got, want) << expected.size << " at " << i;
      } else {  // the reader goes through premultiplied colour: off by one at most
        ASSERT_EQ(qAlpha(got), qAlpha(want));
        ASSERT_LE(std::abs(qRed(got) - qRed(want)) + std::abs(qGreen(got) - qGreen(want)) +
                      std::abs(qBlue(got) - qBlue(want)),
                  3)
            << expected.size << " at " << i;
      }
    }
    reader.jumpToNextImage();
  }
  EXPECT_EQ(EncodeIco({}), "");
  EXPECT_EQ(EncodeIco({IcoImage{2, {0, 0, 0}}}), "") << "pixels missing";
  EXPECT_EQ(EncodeIco({IcoImage{257, std::vector<std::uint32_t>(257 * 257)}}), "");
}

TEST(TrayArtwork, SixDistinctFramesAndTheIconFileShowsTheFirst) {
  for (int frame = 1; frame <= 6; ++frame) {
    for (int other = frame + 1; other <= 6; ++other) {
      EXPECT_GT(Difference(artwork::TrayFrameImage(frame, 16), artwork::TrayFrameImage(other, 16)), 64)
          << frame << " and " << other;
    }
  }
  QImageReader reader(TARVELO_ICO_FILE);
  ASSERT_TRUE(reader.canRead()) << "built next to the executable: " << TARVELO_ICO_FILE;
  const QImage sixteen = reader.read();
  EXPECT_EQ(sixteen.size(), QSize(16, 16));
  EXPECT_LE(Difference(sixteen, artwork::TrayFrameImage(1, 16)), 2);
}

TEST(TrayController, IconStartsWithTheFilesPictureAndTheTooltip) {
  QWidget window;
  TrayController tray(window, TARVELO_ICO_FILE);
  tray.Icon().AddTrayIcon();
  QSystemTrayIcon* icon = tray.SystemTrayIcon();
  EXPECT_TRUE(icon->isVisible());
  EXPECT_EQ(icon->toolTip(), "Tarvelo");
  EXPECT_LE(Difference(Picture(icon->icon(), 16), artwork::TrayFrameImage(1, 16)), 2);
  tray.Icon().SetTrayFrame(4);
  EXPECT_EQ(icon->icon().cacheKey(), tray.Menu()->Image4.cacheKey());
  tray.Icon().DeleteTrayIcon();
  EXPECT_FALSE(icon->isVisible());
}

TEST(TrayController, MissingOrBrokenIconFileGivesNoPictureUntilTheNextFrame) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("Broken.ico"), std::string("\0\0\1\0\1\0garbage", 12));
  for (const std::string& file : {dir.File("Missing.ico"), dir.File("Broken.ico")}) {
    QWidget window;
    TrayController tray(window, QString::fromStdString(file));
    tray.Icon().AddTrayIcon();
    QSystemTrayIcon* icon = tray.SystemTrayIcon();
    EXPECT_TRUE(icon->isVisible()) << file;
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_TRUE(Transparent(Picture(icon->icon(), 16))) << file;
    tray.Icon().TimerTrayIcon();
    EXPECT_EQ(tray.Icon().TrayFrame, 2);
    EXPECT_EQ(icon->icon().cacheKey(), tray.Menu()->Image2.cacheKey());
  }
}

TEST(TrayController, TheAnimationRunsOnTimerTrayIconFromStartUp) {
  platform::fake::FakePlatform fake;
  FormTarvelo form(fake.platform);
  ASSERT_TRUE(form.Load());
  auto* tray = form.findChild<TrayController*>("TrayController");
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->Icon().TrayFrame, 1);
  EXPECT_TRUE(tray->SystemTrayIcon()->isVisible());
  EXPECT_EQ(form.TimerTrayIcon->interval(), 990);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tray->Icon().TrayFrame == 2; }, 2500));
  EXPECT_EQ(tray->SystemTrayIcon()->icon().cacheKey(), tray->Menu()->Image2.cacheKey());
}

}  // namespace
}  // namespace tarvelo
