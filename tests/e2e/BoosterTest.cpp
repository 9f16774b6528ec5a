// The foreground booster end to end: real windows of real processes come to
// the front, and their processes' threads really change priority.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

// The nice value of every thread of a process; empty when it is gone.
QList<int> NicesOfThreads(qint64 pid) {
  QList<int> nices;
  const QStringList tids = QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& tid : tids) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid.toUInt());
    if (errno == 0) nices << nice;
  }
  return nices;
}

bool AllThreadsAt(qint64 pid, int nice) {
  const QList<int> nices = NicesOfThreads(pid);
  return !nices.isEmpty() && nices.count(nice) == nices.size();
}

// The nice of the process's autogroup, or nothing where there is none.
std::optional<int> AutogroupNice(qint64 pid) {
  QFile file(QString("/proc/%1/autogroup").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QList<QByteArray> parts = file.readAll().trimmed().split(' ');
  if (parts.size() != 3) return std::nullopt;
  return parts[2].toInt();
}

// Whether a process of this user may raise priorities, as Tarvelo must:
// asked of a child, whose priority is its own.
bool MayRaisePriorities() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(::setpriority(PRIO_PROCESS, 0, -5) == 0 ? 0 : 1);
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool AutogroupsEnabled() {
  QFile file("/proc/sys/kernel/sched_autogroup_enabled");
  return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

// A titled window of another program, in a session of its own so that its
// autogroup is its own too.
class OtherProgram {
 public:
  OtherProgram(const QString& title, QPoint where) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", Display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    process_.setProcessEnvironment(env);
    process_.setChildProcessModifier([] { ::setsid(); });
    process_.start(TITLED_WINDOW_EXECUTABLE, {title, QString::number(where.x()), QString::number(where.y())});
    process_.waitForStarted(5000);
  }
  ~OtherProgram() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  qint64 Pid() const { return process_.processId(); }
  std::optional<Window> WaitForWindow() const {
    std::optional<Window> found;
    WaitFor([&] {
      const QByteArray ids = RunTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(Pid())});
      if (ids.trimmed().isEmpty()) return false;
      found = Window{QString::fromUtf8(ids.split('\n').first()).trimmed()};
      return true;
    });
    return found;
  }
  void Kill() {
    process_.kill();
    process_.waitForFinished(5000);
  }

 private:
  QProcess process_;
};

void Activate(const Window& window) { RunTool("xdotool", {"windowactivate", "--sync", window.id}); }

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

  // "1 - Speed up process", then its check box.
  main->Click(120, (2540 * 2 + 15) / 30 + 18);
  main->Click(256 + 80 + 7, 144 + 104 + 8);
  ASSERT_TRUE(WaitFor([&] {
    QFile file(tarvelo.ConfigFile());
    return file.open(QIODevice::ReadOnly) && file.readAll().contains("EnableImproveProcess=1");
  })) << "the check box writes its setting";
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


  main->Click(120, (2540 * 2 + 15) / 30 + 18);
  main->Click(256 + 80 + 7, 144 + 104 + 8);
  ASSERT_TRUE(WaitFor([&] {
    QFile file(tarvelo.ConfigFile());
    return file.open(QIODevice::ReadOnly) && file.readAll().contains("EnableImproveProcess=1");
  })) << "the check box writes its setting";
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
