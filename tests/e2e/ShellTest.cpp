// The application shell end to end: the window, the single instance, the
// navigation, the caption drag and the orderly end on a signal.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// Navigation entries in window coordinates: left part of each entry, clear of
// its icon and caption.
constexpr int kEntryX = 17;
int EntryY(int imageTopTwips) { return (imageTopTwips * 2 + 15) / 30 + 18; }

QRgb PixelOf(const QImage& shot, const Window& window, int x, int y) {
  const QRect g = window.Geometry();
  return shot.pixel(g.x() + x, g.y() + y);
}

TEST(Shell, WindowAppearsBorderlessCentredAndOfItsSize) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window) << tarvelo.Output().toStdString();
  EXPECT_EQ(window->Name(), "Tarvelo");
  const QRect g = window->Geometry();
  EXPECT_EQ(g.size(), QSize(786, 557));
  EXPECT_EQ(window->FrameExtents(), (QList<int>{0, 0, 0, 0}));  // the manager draws no frame
  EXPECT_NEAR(g.x(), (1280 - 786) / 2, 1);
  EXPECT_NEAR(g.y(), (800 - 557) / 2, 1);
}

TEST(Shell, SecondInstanceIsRefusedAndTheFirstGoesOn) {
  Tarvelo first;
  const auto mainWindow = first.MainWindow();
  ASSERT_TRUE(mainWindow);

  Tarvelo second(first.SharedDirs());
  std::optional<Window> box;
  // Wait until the message window is mapped with its title.
  ASSERT_TRUE(WaitFor([&] { return (box = second.WaitForWindow({}, 500)) && box->Name() == "Tarvelo"; }))
      << "the second instance shows its message";
  EXPECT_NE(box->Geometry().size(), QSize(786, 557)) << "a message box, not a main window";
  box->Key("Return");
  EXPECT_EQ(second.WaitForExit(), 0);

  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(WaitFor([&] { return first.Windows().size() == 1; })) << "the first keeps its window";
  EXPECT_FALSE(QFile::exists(first.ConfigFile())) << "nobody wrote the settings";
}

TEST(Shell, ClickingANavigationEntrySwitchesThePage) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  const int stateY = EntryY(2010);
  const int processY = EntryY(2540);
  ASSERT_TRUE(WaitFor([&] { return IsOrange(PixelOf(Screenshot(), *window, kEntryX, stateY)); }));
  EXPECT_TRUE(IsBlue(PixelOf(Screenshot(), *window, kEntryX, processY)));

  window->Click(120, processY);  // on the entry's caption
  EXPECT_TRUE(WaitFor([&] { return IsOrange(PixelOf(Screenshot(), *window, kEntryX, processY)); }));
  EXPECT_TRUE(IsBlue(PixelOf(Screenshot(), *window, kEntryX, stateY)));
}

TEST(Shell, CaptionStripDragsTheWindow) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  const QRect before = window->Geometry();
  // Pauses let the window manager take over the drag before the pointer moves
  // and finish it before the button comes up, however busy the machine is.
  RunTool("xdotool", {"mousemove", "--window", window->id, "300", "12", "mousedown", "1", "sleep", "0.3"});
  RunTool("xdotool", {"mousemove_relative", "--", "40", "20", "sleep", "0.1"});
  RunTool("xdotool", {"mousemove_relative", "--", "40", "20", "sleep", "0.3"});
  RunTool("xdotool", {"mouseup", "1"});
  EXPECT_TRUE(WaitFor([&] { return window->Geometry().topLeft() == before.topLeft() + QPoint(80, 40); }, 5000))
      << "moved to " << window->Geometry().x() << "," << window->Geometry().y();
}

TEST(Shell, TerminationSignalsEndTheProgramInOrder) {
  for (int signal : {SIGTERM, SIGINT}) {
    Tarvelo tarvelo;
    ASSERT_TRUE(tarvelo.MainWindow());
    tarvelo.Signal(signal);
    EXPECT_EQ(tarvelo.WaitForExit(), 0) << "signal " << signal;
  }
}

}  // namespace
}  // namespace tarvelo::e2e
