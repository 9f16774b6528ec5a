// The program as a desktop citizen: without a tray host, a second start,
// a screen smaller than the window, and what a screen reader is told.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "e2e/XSession.h"

namespace tarvelo::e2e {
namespace {

constexpr int kCloseX = 752 + 14;  // ImageExit's centre
constexpr int kCloseY = 6 + 7;

bool InCi() { return qEnvironmentVariable("CI") == "true"; }

// "Normal", "Iconic" or "Withdrawn"/"" from the window's WM_STATE.
QString WmState(const Window& window) {
  const QString text = QString::fromUtf8(RunTool("xprop", {"-id", window.id, "WM_STATE"}));
  const int at = text.indexOf("window state: ");
  return at < 0 ? QString() : text.mid(at + 14).section('\n', 0, 0).trimmed();
}

// Ends the session's tray host for one test and starts it again afterwards.
class NoTrayHost {
 public:
  NoTrayHost() {
    QFile file(qEnvironmentVariable("TARVELO_E2E_SESSION") + "/tray.pid");
    if (file.open(QIODevice::ReadOnly)) pid_ = file.readAll().trimmed().toLongLong();
    if (pid_ > 0) ::kill(static_cast<pid_t>(pid_), SIGTERM);
    stopped_ = pid_ > 0 && WaitFor([] { return TrayHostWindows().isEmpty(); }, 20000);
  }
  ~NoTrayHost() { Restore(); }
  bool Stopped() const { return stopped_; }
  bool Restore() {
    if (restored_) return true;
    restored_ = RestartTrayHost();
    return restored_;
  }

 private:
  qint64 pid_ = 0;
  bool stopped_ = false;
  bool restored_ = false;
};

TEST(NativeUi, WithoutATrayHostClosingMinimisesAndTheUsualHidingComesBackWithOne) {
  NoTrayHost noTray;
  ASSERT_TRUE(noTray.Stopped()) << "the tray host did not end";
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window) << tarvelo.Output().toStdString();

  window->Click(kCloseX, kCloseY);
  ASSERT_TRUE(WaitFor([&] { return WmState(*window) == "Iconic"; }, 20000)) << WmState(*window).toStdString();
  // The notice, once, with the program's title.
  std::optional<Window> notice;
  ASSERT_TRUE(WaitFor([&] { return (notice = tarvelo.WaitForWindow({}, 500)) && notice->Name() == "Tarvelo"; }, 20000))
      << "the notice shows";
  notice->Key("Return");
  ASSERT_TRUE(WaitFor([&] { return tarvelo.Windows().isEmpty(); }, 20000)) << "the notice went";
  EXPECT_TRUE(tarvelo.Running());

  // A tray host appears: closing hides the window into it again.
  ASSERT_TRUE(noTray.Restore());
  ASSERT_TRUE(WaitFor([&] { return !tarvelo.TrayIcons().isEmpty(); }, 20000)) << "the icon docks";
  RunTool("xdotool", {"windowactivate", "--sync", window->id});
  ASSERT_TRUE(WaitFor([&] { return WmState(*window) == "Normal"; }, 20000));
  window->Click(kCloseX, kCloseY);
  ASSERT_TRUE(WaitFor([&] { return WmState(*window) != "Normal" && WmState(*window) != "Iconic"; }, 20000))
      << WmState(*window).toStdString();
  EXPECT_TRUE(tarvelo.Windows().isEmpty()) << "hidden, and no second notice";
}

TEST(NativeUi, SecondStartBringsTheHiddenWindowBack) {
  Tarvelo first;
  const auto window = first.MainWindow();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitFor([&] { return !first.TrayIcons().isEmpty(); }, 20000));
  window->Click(kCloseX, kCloseY);
  ASSERT_TRUE(WaitFor([&] { return first.Windows().isEmpty(); }, 20000)) << "hidden to the tray";

  Tarvelo second(first.SharedDirs());
  EXPECT_TRUE(WaitFor([&] { return first.WaitForWindow({786, 557}, 500).has_value(); }, 20000))
      << "the first shows its window";
  std::optional<Window> box;
  ASSERT_TRUE(WaitFor([&] { return (box = second.WaitForWindow({}, 500)) && box->Name() == "Tarvelo"; }, 20000))
      << "the second still says why it ends";
  box->Key("Return");
  EXPECT_EQ(second.WaitForExit(20000), 0);
  EXPECT_EQ(WmState(*window), "Normal");
}

// Whether the navigation entry whose picture starts at this top (twips) shows selected.
bool EntrySelected(const Window& window, int imageTopTwips) {
  const QRect g = window.Geometry();
  const QImage shot = Screenshot();
  return IsOrange(shot.pixel(g.x() + 17, g.y() + (imageTopTwips * 2 + 15) / 30 + 18));
}

TEST(NativeUi, PagesByKeyboard) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  ASSERT_TRUE(WaitFor([&] { return EntrySelected(*window, 2010); }, 20000)) << "Status at the start";
  const struct {
    const char* keys;
    int imageTop;
  } steps[] = {{"Down", 2540}, {"ctrl+Tab", 3060}, {"ctrl+shift+Tab", 2540}, {"Up", 2010}};
  for (const auto& step : steps) {
    window->Key(step.keys);
    EXPECT_TRUE(WaitFor([&] { return EntrySelected(*window, step.imageTop); }, 20000)) << step.keys;
  }
}

// Sets an environment variable of the programs this test starts, for its duration.
class Environment {
 public:
  Environment(const char* name, const QByteArray& value) : name_(name) { qputenv(name, value); }
  ~Environment() { qunsetenv(name_); }

 private:
  const char* name_;
};

TEST(NativeUi, OnAScreenSmallerThanTheWindowTheCaptionStaysReachable) {
  // 1280 x 800 at 150 %: 853 x 533 of the window's pixels, less than its 557 rows.
  const Environment scale("QT_SCALE_FACTOR", "1.5");
  Tarvelo tarvelo;
  const auto window = tarvelo.WaitForWindow({}, 20000);
  ASSERT_TRUE(window) << tarvelo.Output().toStdString();
  ASSERT_TRUE(WaitFor([&] { return window->Geometry().height() > 800; }, 20000)) << "scaled up";
  const QRect placed = window->Geometry();
  EXPECT_GE(placed.y(), 0) << "the caption strip is on the screen";
  EXPECT_GE(placed.x(), 0);
  EXPECT_LE(placed.right(), 1279) << "the window fits across";

  // Moved with the caption above the screen, as a drag can leave it: it comes back.
  RunTool("xdotool", {"windowmove", window->id, "40", "-300"});
  EXPECT_TRUE(WaitFor([&] { return window->Geometry().y() >= 0; }, 20000)) << window->Geometry().y();
}

// A private session bus whose accessibility bus the program registers with.
class AccessibilityBus {
 public:
  AccessibilityBus() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The accessibility bus lives in the runtime directory: a private one.
    env.insert("XDG_RUNTIME_DIR", runtime_.path());
    daemon_.setProcessEnvironment(env);
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(10000)) return;
    WaitFor(
        [&] {
          daemon_.waitForReadyRead(100);
          return daemon_.canReadLine();
        },
        20000);
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
  }
  ~AccessibilityBus() {
    daemon_.terminate();
    if (!daemon_.waitForFinished(10000)) daemon_.kill();
    daemon_.waitForFinished(5000);
  }
  QString Address() const { return address_; }
  QString Runtime() const { return runtime_.path(); }

 private:
  QTemporaryDir runtime_;
  QProcess daemon_;
  QString address_;
};

// The program's accessible tree, one "role|name|description" line per node.
QStringList AccessibleTree(const AccessibilityBus& bus) {
  QProcess reader;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DBUS_SESSION_BUS_ADDRESS", bus.Address());
  env.insert("XDG_RUNTIME_DIR", bus.Runtime());
  reader.setProcessEnvironment(env);
  reader.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3", {ATSPI_TREE_SCRIPT, "Tarvelo"});
  if (!reader.waitForFinished(60000)) {
    reader.kill();
    reader.waitForFinished(5000);
    return {};
  }
  return QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST(NativeUi, ScreenReadersSeeButtonsTabsAndTheDiagram) {
  AccessibilityBus bus;
  if (bus.Address().isEmpty()) {
    if (InCi()) FAIL() << "no session bus: dbus-daemon missing (scripts/install-deps.sh)";
    GTEST_SKIP() << "no session bus: dbus-daemon missing";
  }
  const Environment address("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
  const Environment always("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  // The CPU page is built when first shown: show it, by keyboard, to read its buttons too.
  ASSERT_TRUE(WaitFor([&] { return EntrySelected(*window, 2010); }, 20000)) << "Status at the start";
  window->Key("ctrl+Tab");
  ASSERT_TRUE(WaitFor([&] { return EntrySelected(*window, 2540); }, 20000));
  window->Key("ctrl+Tab");
  ASSERT_TRUE(WaitFor([&] { return EntrySelected(*window, 3060); }, 20000)) << "the CPU page";

  QStringList tree;
  const QRegularExpression chart("^chart\\|System monitor\\|CPU load \\d+%, memory load \\d+%, page file");
  // Read until the diagram has taken its first sample.
  const bool read = WaitFor(
      [&] {
        tree = AccessibleTree(bus);
        return tree.contains("push button|Close|") && !tree.filter(chart).isEmpty();
      },
      60000);
  if (!read && !InCi() && tree.isEmpty()) GTEST_SKIP() << "no AT-SPI reader (python3-pyatspi)";
  ASSERT_TRUE(read) << tree.join('\n').toStdString();

  for (const char* expected : {"frame|Tarvelo|", "push button|Minimize|", "push button|Close|",
                               "page tab|Status|", "page tab|1 - Speed up process|", "page tab|2 - Speed up CPU|",
                               "page tab|3 - Speed up memory|", "page tab|Settings|", "page tab|About|",
                               "push button|Refresh|", "push button|Limit|", "push button|Release memory now|"}) {
    EXPECT_TRUE(tree.contains(expected)) << expected;
  }
  EXPECT_EQ(tree.filter(chart).size(), 1) << tree.join('\n').toStdString();
  EXPECT_TRUE(tree.filter(QRegularExpression("^filler\\|\\|")).size() < tree.size()) << "not all fillers";
  for (const QString& line : tree) {
    EXPECT_FALSE(line.startsWith("push button||")) << "an unnamed button";
  }
}

}  // namespace
}  // namespace tarvelo::e2e
