// The Command widget on the offscreen platform: placement, clicks by mouse,
// keyboard and access key, the window shape, and what reaches the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "button/Command.h"
#include "widgets/Twips.h"

namespace tarvelo::button {
namespace {

// A shown, active window for the buttons.
class Host : public QWidget {
 public:
  Host() {
    resize(400, 200);
    show();
    activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(this));
  }
};

// Bounding box of the dark (caption) pixels inside the frame.
QRect DarkPixels(const PixelSurface& s) {
  QRect box;
  for (int y = 3; y < s.Height() - 3; ++y) {
    for (int x = 3; x < s.Width() - 3; ++x) {
      const Color c = s.Pixel(x, y);
      if (raster::Red(c) + raster::Green(c) + raster::Blue(c) < 300) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

TEST(Command, PlacedAsTheProgramsButtons) {
  Host host;
  Command* button = PlaceCommand(&host, "CommandFreeMemory", "Release memory now", 1200, 600, 3495, 495);
  EXPECT_EQ(button->objectName(), "CommandFreeMemory");
  EXPECT_EQ(button->geometry(), QRect(80, 40, 233, 33));
  EXPECT_EQ(button->Caption(), "Release memory now");
  const CommandModel& model = button->Model();
  EXPECT_EQ(model.ButtonType(), 1);
  EXPECT_EQ(model.XpType(), 2);
  EXPECT_EQ(model.ColorScheme(), 1);
  EXPECT_EQ(model.Font(), (ButtonFont{"Verdana", 7.5, false, false}));
  EXPECT_EQ(host.findChild<Command*>("CommandFreeMemory"), button);
  EXPECT_TRUE(button->mask().isEmpty()) << "a full rectangle";

  // The caption is drawn in the middle, and moves one pixel right and down
  // while pressed.
  button->show();
  const QRect up = DarkPixels(model.Surface());
  ASSERT_TRUE(up.isValid());
  EXPECT_NEAR(up.center().x(), 233 / 2, 2);
  EXPECT_NEAR(up.center().y(), 33 / 2, 2);
  button->Model().MouseDown(1, 0, 5, 5);
  EXPECT_EQ(DarkPixels(model.Surface()), up.translated(1, 1));
}

TEST(Command, MouseClickRaisesClickOnce) {
  Host host;
  Command* button = PlaceCommand(&host, "CommandRefreshProcess", "Refresh", 0, 0, 1455, 375);
  button->show();
  QSignalSpy clicks(button, &Command::Click);
  std::vector<std::string> downs;  // "button x y" of each MouseDown
  QObject::connect(button, &Command::MouseDown, [&downs](qint16& mouseButton, qint16&, float& x, float& y) {
    downs.push_back(std::to_string(mouseButton) + " " + std::to_string(static_cast<int>(x)) + " " +
                    std::to_string(static_cast<int>(y)));
  });
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(downs, std::vector<std::string>{"1 10 10"});
  EXPECT_EQ(button->Model().Data().buttonState, kStateUp);

  QTest::mouseClick(button, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks.count(), 1) << "the right button does not click";
  // A press released outside is no click.
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(clicks.count(), 1);
  // A double click, as the window system delivers it, is one click.
  const QPoint at(10, 10);
  const QPoint global = button->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, {});
  QMouseEvent twice(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton, {});
  for (QMouseEvent* event : {&press, &release, &twice, &release}) QApplication::sendEvent(button, event);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(downs, (std::vector<std::string>{"1 10 10", "2 10 10", "1 10 10", "1 10 10", "1 1 1"}))
      << "the second press of a double click presses with fixed arguments";
}

TEST(Command, ScreenShowsThePaintedPixelsUnchanged) {
  Host host;
  Command* button = PlaceCommand(&host, "CommandOK", "OK", 150, 150, 1335, 375);
  button->show();
  button->setFocus();
  ASSERT_EQ(button->devicePixelRatioF(), 1.0);
  const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const PixelSurface& surface = button->Model().Surface();
  ASSERT_EQ(shot.size(), QSize(surface.Width(), surface.Height()));
  int differences = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      if (raster::MakeColor(qRed(p), qGreen(p), qBlue(p)) != surface.Pixel(x, y)) ++differences;
    }
  }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(QColor(shot.pixel(2, 0)), QColor(0, 60, 115)) << "the frame";
  EXPECT_EQ(QColor(shot.pixel(2, 1)), QColor(122, 184, 98)) << "the focus ring";
}

TEST(Command, KeyboardClicksAndMovesTheFocus) {
  Host host;
  Command* first = PlaceCommand(&host, "CommandOK", "&OK", 0, 0, 1335, 375);
  Command* second = PlaceCommand(&host, "CommandCancel", "Cancel", 1500, 0, 1335, 375);
  first->show();
  second->show();
  first->setFocus();
  ASSERT_TRUE(first->hasFocus());
  QSignalSpy clicks(first, &Command::Click);
  QTest::keyClick(first, Qt::Key_Space);
  EXPECT_EQ(clicks.count(), 1);
  QTest::keyClick(first, Qt::Key_Right);
  EXPECT_TRUE(second->hasFocus());
  QTest::keyClick(second, Qt::Key_Left);
  EXPECT_TRUE(first->hasFocus());

  // Alt and the access key click from anywhere in the window.
  second->setFocus();
  QTest::keyClick(&host, Qt::Key_O, Qt::AltModifier);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_TRUE(second->hasFocus());

  // A KeyDown handler that clears the key stops the built-in handling.
  QObject::connect(second, &Command::KeyDown, [](qint16& keyCode, qint16&) { keyCode = 0; });
  QTest::keyClick(second, Qt::Key_Right);
  EXPECT_TRUE(second->hasFocus());
}

TEST(Command, GradientStylesCutTheWindowCorners) {
  Host host;
  Command button(&host, "Command1");
  button.setGeometry(10, 10, 60, 24);
  button.show();
  button.Model().SetButtonType(3);
  EXPECT_FALSE(button.mask().contains(QPoint(0, 0)));
  EXPECT_FALSE(button.mask().contains(QPoint(59, 23)));
  EXPECT_TRUE(button.mask().contains(QPoint(2, 0)));
  EXPECT_TRUE(button.mask().contains(QPoint(30, 12)));
  button.Model().SetButtonType(1);
  EXPECT_TRUE(button.mask().isEmpty());
  EXPECT_EQ(button.Caption(), "Command1") << "a new instance is captioned with its name";
}

TEST(Command, EnabledFollowsTheWidget) {
  Host host;
  Command* button = PlaceCommand(&host, "CommandLimitProcessCPU", "Limit", 0, 0, 1455, 375);
  button->show();
  QSignalSpy changes(button, &Command::PropertyChanged);
  button->setEnabled(false);
  EXPECT_FALSE(button->Model().Enabled());
  EXPECT_EQ(button->Model().Surface().Pixel(10, 10), raster::MakeColor(244, 244, 234));
  button->Model().SetEnabled(true);
  EXPECT_TRUE(button->isEnabled());
  ASSERT_EQ(changes.count(), 2);
  EXPECT_EQ(changes.at(0).at(0).toString(), "Enabled");
}

TEST(Command, HoverTimerStopsOnceThePointerLeaves) {
  Host host;
  Command* button = PlaceCommand(&host, "CommandModify", "Adjustment", 0, 0, 1335, 375);
  button->show();
  QSignalSpy outs(button, &Command::MouseOut);
  QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
  QTest::mouseMove(button, QPoint(10, 10));
  EXPECT_TRUE(button->Timer1()->isActive());
  EXPECT_EQ(button->Timer1()->interval(), 10);
  EXPECT_TRUE(button->Model().Data().hover);
  QCursor::setPos(button->mapToGlobal(QPoint(300, 100)));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !button->Timer1()->isActive(); }, 1000));
  EXPECT_EQ(outs.count(), 1);
  EXPECT_FALSE(button->Model().Data().hover);

  // Hidden under the pointer, the button stops hovering too.
  QTest::mouseMove(button, QPoint(10, 10));
  QCursor::setPos(button->mapToGlobal(QPoint(10, 10)));
  ASSERT_TRUE(button->Timer1()->isActive());
  button->hide();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !button->Timer1()->isActive(); }, 1000));
  EXPECT_EQ(outs.count(), 2);
}

}  // namespace
}  // namespace tarvelo::button

namespace tarvelo::button {
namespace {

// The widget rendered into an image of `ratio` device pixels per pixel, as a
// high-resolution screen's backing store holds it.
QImage RenderAt(QWidget& widget, qreal ratio) {
  QImage image(qRound(widget.width() * ratio), qRound(widget.height() * ratio), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::magenta);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
  image.setDevicePixelRatio(1);
  return image;
}

TEST(CommandHighDpi, AtRatio2TheButtonIsTheRecipeAtTwiceTheSizeWithTheFontAtTwiceTheSize) {
  for (const bool marked : {false, true}) {  // plain, and the default button's ring and dotted frame
    Host host;
    Command* button = PlaceCommand(&host, "CommandOK", "Release", 0, 0, 1335, 375);
    button->SetDefaultButton(marked);
    button->show();
    // The recipe itself at twice the size: a button of twice the size with a font of twice the size.
    ButtonFont doubled = button->Model().Font();
    doubled.size *= 2;
    Command reference(nullptr, "Reference", PropertyBag{{"Caption", std::string("Release")},
                                                         {"XpType", std::int64_t{2}},
                                                         {"Font", doubled}});
    reference.SetDefaultButton(marked);
    reference.resize(button->width() * 2, button->height() * 2);

    const QImage twice = RenderAt(*button, 2);
    const QImage expected = RenderAt(reference, 1);
    ASSERT_EQ(twice.size(), expected.size());
    int differences = 0;
    for (int y = 0; y < twice.height(); ++y) {
      for (int x = 0; x < twice.width(); ++x) differences += twice.pixel(x, y) != expected.pixel(x, y);
    }
    EXPECT_EQ(differences, 0) << (marked ? "marked" : "plain");

    // Not a 1x image scaled up: the caption has strokes a single device pixel wide somewhere.
    const QImage once = RenderAt(*button, 1).scaled(twice.size());
    EXPECT_NE(once, twice);
  }
}

}  // namespace
}  // namespace tarvelo::button
