// The control as a widget, and on the Status page.
#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/StatusPage.h"
#include "monitor/CpuMonitor.h"
#include "monitor/MonitorFixture.h"
#include "widgets/Label.h"
#include "widgets/Shape.h"

namespace tarvelo::monitor {
namespace {

using testing::kSecond;

class CpuMonitorWidget : public testing::MonitorTest {};

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

TEST_F(CpuMonitorWidget, StatusPageShowsTheDiagramAtItsPlace) {
  StatusPage page(nullptr, 7455, 5535, fake.platform);
  auto* monitor = page.findChild<CpuMonitor*>("CpuMonitorState");
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(monitor, page.CpuMonitorState);
  EXPECT_EQ(monitor->geometry(), QRect(48, 224, 417, 57));
  EXPECT_EQ(monitor->Timer1()->interval(), 1000);
  EXPECT_TRUE(monitor->Timer1()->isActive());

  const QImage image = page.grab().toImage();
  const QPoint origin = monitor->geometry().topLeft();
  EXPECT_EQ(At(image, origin.x(), origin.y()), QColor(Qt::black)) << "a flat single border";
  EXPECT_EQ(At(image, origin.x() + 416, origin.y() + 56), QColor(Qt::black));
  EXPECT_EQ(At(image, origin.x() + 1, origin.y() + 1), QColor(255, 192, 128)) << "the grid's frame";
  EXPECT_EQ(At(image, origin.x() + 2, origin.y() + 2), QColor(64, 64, 64)) << "the background";
  EXPECT_EQ(At(image, origin.x() + 1 + 38, origin.y() + 5), QColor(255, 192, 128)) << "a vertical line";

  // The legend below it, in the curves' colours.
  EXPECT_EQ(At(image, page.Shape3->geometry().center().x(), page.Shape3->geometry().center().y()),
            QColor(255, 0, 0));
  EXPECT_EQ(page.Label17->text(), "Virual memory");
}

TEST_F(CpuMonitorWidget, TickRaisesUpdateWithTheNewestSample) {
  CpuMonitor monitor(nullptr, "Monitor", MonitorPlatform::From(fake.platform));
  monitor.resize(100, 30);
  monitor.ReadProperties(PropertyBag{{"HDDriveLetter", std::string("C:\\")}});
  QSignalSpy updates(&monitor, &CpuMonitor::Update);
  fake.cpuTimes->times->systemTime += kSecond;
  fake.cpuTimes->times->idleTime += kSecond / 4;
  QMetaObject::invokeMethod(monitor.Timer1(), "timeout", Qt::DirectConnection);
  ASSERT_EQ(updates.size(), 1);
  const QList<QVariant>& args = updates.first();
  ASSERT_EQ(args.size(), 16);
  EXPECT_EQ(args[0].toInt(), 76);
  EXPECT_EQ(args[1].toInt(), 50);
  EXPECT_EQ(args[2].toLongLong(), 1000);
  EXPECT_EQ(args[4].toFloat(), 50.0f);
  EXPECT_EQ(args[11].toLongLong(), 1000);
  EXPECT_EQ(args[15].toFloat(), 25.0f);

  // The picture shows the surface inside a 2-pixel sunken border.
  const QImage image = monitor.grab().toImage();
  EXPECT_EQ(At(image, 2, 2), QColor(0, 128, 0)) << "the default grid";
  EXPECT_NE(At(image, 0, 0), QColor(0, 128, 0));
}

TEST_F(CpuMonitorWidget, TimerFollowsTheIntervalAndEnabledState) {
  CpuMonitor monitor(nullptr, "Monitor", MonitorPlatform::From(fake.platform));
  monitor.resize(60, 20);
  EXPECT_FALSE(monitor.Timer1()->isActive()) << "no interval before monitoring starts";
  monitor.ReadProperties(PropertyBag{{"UpdateInterval", std::int64_t{250}}, {"Enabled", false}});
  EXPECT_EQ(monitor.Timer1()->interval(), 250);
  EXPECT_FALSE(monitor.isEnabled());

  QSignalSpy changes(&monitor, &CpuMonitor::PropertyChanged);
  EXPECT_TRUE(monitor.Model().SetUpdateInterval(0));
  EXPECT_FALSE(monitor.Timer1()->isActive()) << "0 does not fire (and does not spin)";
  EXPECT_FALSE(monitor.Model().SetUpdateInterval(-1));
  EXPECT_TRUE(monitor.Model().SetUpdateInterval(40));
  EXPECT_TRUE(monitor.Timer1()->isActive());
  monitor.Model().SetEnabled(true);
  EXPECT_TRUE(monitor.isEnabled());
  ASSERT_EQ(changes.size(), 3);
  EXPECT_EQ(changes[2][0].toString(), "Enabled");

  QSignalSpy updates(&monitor, &CpuMonitor::Update);
  EXPECT_TRUE(updates.wait(2000)) << "the timer samples on its own";
}

TEST_F(CpuMonitorWidget, DoubleClickRaisesDblClick) {
  CpuMonitor monitor(nullptr, "Monitor", MonitorPlatform::From(fake.platform));
  monitor.resize(60, 20);
  monitor.ReadProperties(PropertyBag{});
  QSignalSpy clicks(&monitor, &CpuMonitor::DblClick);
  QTest::mouseDClick(&monitor, Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 1);
}

TEST_F(CpuMonitorWidget, FormatFilesizeUsesTheLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(CpuMonitor::FormatFilesize(1572864), "1,50 MB");
  EXPECT_EQ(CpuMonitor::FormatFilesize(1024), "1.024 B");
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(CpuMonitor::FormatFilesize(1024), "1,024 B");
}

}  // namespace
}  // namespace tarvelo::monitor

namespace tarvelo::monitor {
namespace {

// The control rendered into a fresh image with alpha, filled white, as a
// Wayland window's backing store is, at `ratio` device pixels per pixel.
QImage RenderOnWhite(QWidget& widget, qreal ratio) {
  QImage image(qRound(widget.width() * ratio), qRound(widget.height() * ratio), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  image.setDevicePixelRatio(1);
  return image;
}

TEST_F(CpuMonitorWidget, DiagramIsOpaqueOnABackingStoreWithAlpha) {
  CpuMonitor monitor(nullptr, "CpuMonitorState", MonitorPlatform::From(fake.platform));
  monitor.setGeometry(0, 0, 417, 57);
  monitor.ReadProperties(testing::StatusPageState());
  const QImage image = RenderOnWhite(monitor, 1);
  EXPECT_EQ(image.pixelColor(2, 2), QColor(64, 64, 64)) << "the background, not the white below it";
  EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 192, 128)) << "the grid's frame";
}

TEST_F(CpuMonitorWidget, AtRatio2TheDiagramIsDrawnAtDevicePixels) {
  CpuMonitor monitor(nullptr, "CpuMonitorState", MonitorPlatform::From(fake.platform));
  monitor.setGeometry(0, 0, 417, 57);
  monitor.ReadProperties(testing::StatusPageState());
  monitor.Model().Timer1Tick();
  const QImage image = RenderOnWhite(monitor, 2);
  raster::PixelSurface device;
  device.Resize(415 * 2, 55 * 2);
  monitor.Model().DrawDiagramAt(device, 2);
  int differences = 0;
  for (int y = 0; y < device.Height(); ++y) {
    for (int x = 0; x < device.Width(); ++x) {
      const raster::Color c = device.Pixel(x, y);
      differences += image.pixelColor(2 + x, 2 + y) != QColor(raster::Red(c), raster::Green(c), raster::Blue(c));
    }
  }
  EXPECT_EQ(differences, 0);
  // The one-pixel border is two device pixels wide, the grid's frame one.
  EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(2, 2), QColor(255, 192, 128));
  EXPECT_EQ(image.pixelColor(3, 3), QColor(64, 64, 64));
}

}  // namespace
}  // namespace tarvelo::monitor
