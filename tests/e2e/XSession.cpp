#include "e2e/XSession.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace tarvelo::e2e {

QString Display() {
  QFile file(qEnvironmentVariable("TARVELO_E2E_SESSION") + "/display");
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).trimmed();
}

int Limit(int ms) {
  static const int scale = [] {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue("TARVELO_TEST_TIME_SCALE", &ok);
    return ok && value > 0 ? value : 3;
  }();
  return ms * scale;
}

namespace {

QProcessEnvironment DisplayEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", Display());
  env.insert("QT_QPA_PLATFORM", "xcb");
  return env;
}

}  // namespace

ToolResult Tool(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess tool;
  tool.setProcessEnvironment(DisplayEnvironment());
  tool.start(program, arguments);
  ToolResult result;
  if (!tool.waitForFinished(Limit(timeoutMs)) || tool.exitStatus() != QProcess::NormalExit) {
    tool.kill();
    tool.waitForFinished(1000);
    return result;
  }
  result.exitCode = tool.exitCode();
  result.out = tool.readAllStandardOutput();
  result.err = tool.readAllStandardError();
  return result;
}

QByteArray RunTool(const QString& program, const QStringList& arguments, int timeoutMs) {
  ToolResult result = Tool(program, arguments, timeoutMs);
  return result.exitCode == 0 ? result.out : QByteArray();
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  const int limit = Limit(timeoutMs);
  while (!condition()) {
    if (clock.elapsed() > limit) return false;
    QThread::msleep(100);
  }
  return true;
}

QImage Screenshot() { return QImage::fromData(RunTool("import", {"-window", "root", "png:-"}), "PNG"); }

QStringList TrayHostWindows() {
  QStringList windows;
  const QString hosts = QString::fromUtf8(RunTool("xdotool", {"search", "--class", "trayer"}));
  for (const QString& host : hosts.split('\n', Qt::SkipEmptyParts)) {
    const QString tree = QString::fromUtf8(RunTool("xwininfo", {"-tree", "-id", host.trimmed()}));
    static const QRegularExpression child("^\\s+(0x[0-9a-f]+) ", QRegularExpression::MultilineOption);
    for (const auto& m : child.globalMatch(tree)) windows << QString::number(m.captured(1).toULongLong(nullptr, 16));
  }
  return windows;
}

bool RestartTrayHost() {
  QProcess script;
  script.start(TARVELO_XSESSION_SCRIPT, {"restart-tray", qEnvironmentVariable("TARVELO_E2E_SESSION")});
  return script.waitForFinished(Limit(20000)) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

QString Window::Name() const { return QString::fromUtf8(RunTool("xdotool", {"getwindowname", id})).trimmed(); }

QRect Window::Geometry() const {
  const QString shell = QString::fromUtf8(RunTool("xdotool", {"getwindowgeometry", "--shell", id}));
  auto value = [&](const char* key) {
    const auto match = QRegularExpression(QString("%1=(-?\\d+)").arg(key)).match(shell);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
  };
  return {value("X"), value("Y"), value("WIDTH"), value("HEIGHT")};
}

QList<int> Window::FrameExtents() const {
  const QString text = QString::fromUtf8(RunTool("xprop", {"-id", id, "_NET_FRAME_EXTENTS"}));
  QList<int> extents;
  for (const auto& m : QRegularExpression("(\\d+)").globalMatch(text.section('=', 1))) {
    extents << m.captured(1).toInt();
  }
  return extents;
}

void Window::Click(int x, int y, int button) const {
  RunTool("xdotool", {"mousemove", "--window", id, QString::number(x), QString::number(y), "click",
                      QString::number(button)});
}

void Window::DoubleClick(int x, int y) const {
  RunTool("xdotool", {"mousemove", "--window", id, QString::number(x), QString::number(y), "click", "--repeat", "2",
                      "--delay", "80", "1"});
}

void Window::Key(const QString& key) const {
  // "key --window" would query the window between press and release; when the
  // key closes the window, xdotool fails there and leaves the key held down.
  RunTool("xdotool", {"windowactivate", "--sync", id, "key", key});
}

Tarvelo::Tarvelo(std::shared_ptr<Dirs> dirs, const QStringList& arguments, const QString& program)
    : dirs_(dirs ? std::move(dirs) : std::make_shared<Dirs>()) {
  QFile::setPermissions(dirs_->runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment env = DisplayEnvironment();
  env.insert("TARVELO_CONFIG_DIR", dirs_->config.path());
  env.insert("XDG_RUNTIME_DIR", dirs_->runtime.path());
  env.insert("XDG_CONFIG_HOME", dirs_->xdg.filePath("home"));
  env.insert("XDG_CONFIG_DIRS", dirs_->xdg.filePath("system"));
  env.insert("TARVELO_SITE_URL", "http://127.0.0.1:1");
  process_.setProcessEnvironment(env);
  process_.setProcessChannelMode(QProcess::MergedChannels);
  // A session, and so an autogroup, of its own: the booster sets its own
  // process's priority, which must not reach the test runner's autogroup.
  process_.setChildProcessModifier([] { ::setsid(); });
  process_.start(program.isEmpty() ? QString(TARVELO_EXECUTABLE) : program, arguments);

  process_.waitForStarted(Limit(5000));
}

Tarvelo::~Tarvelo() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

QList<Window> Tarvelo::Windows() const {
  QList<Window> windows;
  for (const ShownWindow& shown : ShownWindows()) windows.append(shown.window);
  return windows;
}

QList<ShownWindow> Tarvelo::ShownWindows() const {
  // One xdotool run finds the windows and reads their geometry. The empty
  // name (which every Qt window has) keeps the next command from being taken
  // for the pattern; --all makes the pid count. Top-level windows lie at
  // most one level down, in the window manager's frame; a tray icon lies
  // deeper, inside the tray host. A window that vanishes meanwhile fails the
  // run (BadWindow): search again.
  ToolResult search;
  for (int attempt = 0; attempt < 5; ++attempt) {
    search = Tool("xdotool", {"search", "--all", "--maxdepth", "2", "--onlyvisible", "--pid", QString::number(Pid()),
                              "--name", "", "getwindowgeometry", "--shell", "%@"});
    if (search.err.isEmpty()) break;
    QThread::msleep(50);
  }
  QList<ShownWindow> windows;
  std::optional<ShownWindow> current;
  auto finish = [&] {
    if (current) windows.append(*current);
    current.reset();
  };
  for (const QString& line : QString::fromUtf8(search.out).split('\n', Qt::SkipEmptyParts)) {
    const QString key = line.section('=', 0, 0).trimmed();
    const QString value = line.section('=', 1).trimmed();
    if (key == "WINDOW") {
      finish();
      current = ShownWindow{Window{value}, QRect()};
    } else if (current && key == "X") {
      current->geometry.moveLeft(value.toInt());
    } else if (current && key == "Y") {
      current->geometry.moveTop(value.toInt());
    } else if (current && key == "WIDTH") {
      current->geometry.setWidth(value.toInt());
    } else if (current && key == "HEIGHT") {
      current->geometry.setHeight(value.toInt());
    }
  }
  finish();
  return windows;
}

QList<Window> Tarvelo::TrayIcons() const {
  QList<Window> icons;
  const QStringList inTray = TrayHostWindows();
  const QString ids = QString::fromUtf8(RunTool("xdotool", {"search", "--pid", QString::number(Pid())}));
  for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) {
    if (inTray.contains(id.trimmed())) icons.append(Window{id.trimmed()});
  }
  return icons;
}

std::optional<Window> Tarvelo::WaitForWindow(QSize size, int timeoutMs) const {
  std::optional<Window> found;
  WaitFor(
      [&] {
        for (const ShownWindow& shown : ShownWindows()) {
          if (size.isEmpty() || shown.geometry.size() == size) {
            found = shown.window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (!found) {
    // What there was instead, for the failure's message.
    QStringList shown;
    for (const ShownWindow& w : ShownWindows()) {
      shown << QStringLiteral("%1x%2").arg(w.geometry.width()).arg(w.geometry.height());
    }
    std::fprintf(stderr, "no window of %dx%d: the program is %s; its windows: [%s]\n", size.width(), size.height(),
                 Running() ? "running" : "not running", qPrintable(shown.join(", ")));
  }
  return found;
}

void Tarvelo::Signal(int signal) const { ::kill(static_cast<pid_t>(Pid()), signal); }

std::optional<int> Tarvelo::WaitForExit(int timeoutMs) {
  if (!process_.waitForFinished(Limit(timeoutMs)) || process_.exitStatus() != QProcess::NormalExit) {
    return std::nullopt;
  }
  return process_.exitCode();
}

QByteArray Tarvelo::Output() { return process_.readAll(); }

bool IsOrange(QRgb p) { return qRed(p) > 200 && qGreen(p) > 90 && qGreen(p) < 200 && qBlue(p) < 90; }

bool IsBlue(QRgb p) { return qBlue(p) > qRed(p) + 40 && qBlue(p) > 90; }

}  // namespace tarvelo::e2e
