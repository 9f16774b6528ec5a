// The foreground booster end to end: real windows of real processes come to
// the front, and their processes' threads really change priority.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "e2e/Pages.h"
#include "e2e/Processes.h"
#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// Rows of the log on the "1 - Speed up process" page, counted on the screen:
// the bands of dark text in the "Target" column below its header.
int LogRows(const Window& main) {
  const QImage shot = Screenshot();
  const QRect g = main.Geometry();
  // The list at 390, 3735 twips in the page at 3840, 2160; "Target" after
  // 1058 + 1764 twips of columns.
  const int left = g.x() + 256 + 26 + 188 + 4;
  const int right = left + 200;
  const int top = g.y() + 144 + 249 + 2;
  const int bottom = g.y() + 144 + 249 + 120 - 20;  // above the horizontal scroll bar
  // A band ends at two light pixel rows; one may fall inside a line of text.
  int bands = 0;
  int lightRows = 2;
  for (int y = top; y < bottom; ++y) {
    bool dark = false;
    for (int x = left; x < right && !dark; ++x) dark = qGray(shot.pixel(x, y)) < 150;
    if (dark && lightRows >= 2) ++bands;
    lightRows = dark ? 0 : lightRows + 1;
  }
  return bands - 1;  // the header
}

TEST(Booster, RaisesTheWindowInFrontAndSetsThePreviousBackToNormal) {
  if (!MayRaisePriorities()) {
    GTEST_SKIP() << "raising priorities needs CAP_SYS_NICE or an RLIMIT_NICE allowance of 25 (run as root)";
  }
  Tarvelo tarvelo;
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();

  ASSERT_TRUE(EnableBooster(tarvelo, *main)) << "the check box writes its setting";
  // Tarvelo's own window is in front now: it boosts itself first.
  ASSERT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), -5); }, 5000));
  EXPECT_TRUE(WaitFor([&] { return LogRows(*main) == 1; }, 3000)) << LogRows(*main);

  OtherProgram a("Booster target A", {10, 10});
  const auto windowA = a.WaitForWindow();
  ASSERT_TRUE(windowA);
  Activate(*windowA);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), -5); }, 5000)) << "A: Above Normal";
  EXPECT_GT(NicesOfThreads(a.Pid()).size(), 1) << "a Qt program has several threads";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), 0); }, 3000)) << "Tarvelo back to Normal";
  if (AutogroupsEnabled()) {
    EXPECT_EQ(AutogroupNice(a.Pid()), -5);
  }

  OtherProgram b("Booster target B", {10, 250});
  const auto windowB = b.WaitForWindow();
  ASSERT_TRUE(windowB);
  Activate(*windowB);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(b.Pid(), -5); }, 5000)) << "B: Above Normal";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), 0); }, 3000)) << "A back to Normal";
  if (AutogroupsEnabled()) {
    EXPECT_EQ(AutogroupNice(a.Pid()), 0);
  }
  EXPECT_TRUE(WaitFor([&] { return LogRows(*main) == 3; }, 3000)) << LogRows(*main);

  // B's process ends while its window is the one the booster saw last; the
  // manager gives the focus back to A, which is raised again.
  b.Kill();
  Activate(*windowA);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), -5); }, 5000)) << "A raised again";
  EXPECT_TRUE(WaitFor([&] { return LogRows(*main) == 4; }, 3000)) << LogRows(*main);
  EXPECT_TRUE(tarvelo.Running());
  EXPECT_TRUE(AllThreadsAt(tarvelo.Pid(), 0));
}

// Two terminals of one title: each is raised when it comes to the front and
// set back when the other, or Tarvelo, does.
TEST(Booster, TwoProgramsWithOneTitleAreTwoWindows) {
  if (!MayRaisePriorities()) {
    GTEST_SKIP() << "raising priorities needs CAP_SYS_NICE or an RLIMIT_NICE allowance of 25 (run as root)";
  }
  Tarvelo tarvelo;
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  ASSERT_TRUE(EnableBooster(tarvelo, *main));
  ASSERT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), -5); }, 5000));

  OtherProgram a("user@host: ~/work", {10, 10});
  OtherProgram b("user@host: ~/work", {10, 250});
  const auto windowA = a.WaitForWindow();
  const auto windowB = b.WaitForWindow();
  ASSERT_TRUE(windowA && windowB);
  Activate(*windowA);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), -5); }, 5000)) << "A raised";
  Activate(*windowB);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(b.Pid(), -5); }, 5000)) << "B raised though its title is A's";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), 0); }, 3000)) << "A back to Normal";
  Activate(*main);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), -5); }, 5000)) << "Tarvelo raised";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(b.Pid(), 0); }, 3000)) << "B back to Normal";
  EXPECT_TRUE(AllThreadsAt(a.Pid(), 0));
}

}  // namespace
}  // namespace tarvelo::e2e

namespace tarvelo::e2e {
namespace {

// Tarvelo run as an ordinary user: the nobody account, with no capability at
// all, from a copy of the program that account can read.
class UnprivilegedTarvelo {
 public:
  static constexpr uid_t kNobody = 65534;

  UnprivilegedTarvelo() {
    QFile::copy(TARVELO_EXECUTABLE, copy_.filePath("tarvelo"));
    QFile::copy(QFileInfo(TARVELO_EXECUTABLE).dir().filePath("Tarvelo.ico"), copy_.filePath("Tarvelo.ico"));
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(copy_.path(), readable);
    QFile::setPermissions(copy_.filePath("tarvelo"), readable);
    for (const QString& dir : {dirs_->config.path(), dirs_->runtime.path(), dirs_->xdg.path()}) {
      chownOk_ = chownOk_ && ::chown(dir.toLocal8Bit().constData(), kNobody, kNobody) == 0;
    }
    tarvelo_ = std::make_unique<Tarvelo>(
        dirs_,
        QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--inh-caps=-all", "--",
                    copy_.filePath("tarvelo")},
        "setpriv");
  }
  bool Ready() const { return chownOk_ && copy_.isValid(); }
  Tarvelo& Program() { return *tarvelo_; }

 private:
  QTemporaryDir copy_;
  std::shared_ptr<Tarvelo::Dirs> dirs_ = std::make_shared<Tarvelo::Dirs>();
  bool chownOk_ = true;
  std::unique_ptr<Tarvelo> tarvelo_;
};

// Pixels of the notice's red text in its corner of the page.
int NoticePixels(const Window& main) {
  const QImage shot = Screenshot();
  const QRect g = main.Geometry();
  // The notice at 4950, 1560 twips in the page at 3840, 2160, 2760 x 690.
  const QRect area(g.x() + 256 + 330, g.y() + 144 + 104, 184, 46);
  int red = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = shot.pixel(x, y);
      if (qRed(p) > 120 && qGreen(p) < 90 && qBlue(p) < 90) ++red;
    }
  }
  return red;
}

TEST(Booster, WithoutAnyRightNothingIsClaimedAndThePageSaysWhy) {
  if (::geteuid() != 0) GTEST_SKIP() << "switching to another user needs root (CI runs as root)";
  UnprivilegedTarvelo run;
  ASSERT_TRUE(run.Ready());
  Tarvelo& tarvelo = run.Program();
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  QFile status(QString("/proc/%1/status").arg(tarvelo.Pid()));
  ASSERT_TRUE(status.open(QIODevice::ReadOnly));
  EXPECT_TRUE(status.readAll().contains("\nUid:\t65534\t65534\t65534\t65534\n")) << "runs as nobody";

  ASSERT_TRUE(EnableBooster(tarvelo, *main)) << "the check box writes its setting";
  EXPECT_TRUE(WaitFor([&] { return NoticePixels(*main) > 20; }, 5000)) << "the notice is shown";

  OtherProgram a("Unprivileged target", {10, 10});
  const auto windowA = a.WaitForWindow();
  ASSERT_TRUE(windowA);
  Activate(*windowA);
  // Several ticks with a new window in front: no row may appear.
  EXPECT_FALSE(WaitFor([&] { return LogRows(*main) > 0; }, 3000)) << LogRows(*main);
  EXPECT_TRUE(AllThreadsAt(a.Pid(), 0));
  EXPECT_TRUE(tarvelo.Running());
}

}  // namespace
}  // namespace tarvelo::e2e
