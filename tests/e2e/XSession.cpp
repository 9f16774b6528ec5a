#include "e2e/XSession.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

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
  if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit) {
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
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QThread::msleep(100);
  }
  return true;
}

QImage Screenshot() { return QImage::fromData(RunTool("import", {"-window", "root", "png:-"}), "PNG"); }

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

void Window::Key(const QString& key) const {
  // "key --window" would query the window between press and release; when the
  // key closes the window, xdotool fails there and leaves the key held down.
  RunTool("xdotool", {"windowactivate", "--sync", id});
  RunTool("xdotool", {"key", key});
}

Tarvelo::Tarvelo(std::shared_ptr<Dirs> dirs, const QStringList& arguments)
    : dirs_(dirs ? std::move(dirs) : std::make_shared<Dirs>()) {
  QFile::setPermissions(dirs_->runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QProcessEnvironment env = DisplayEnvironment();
  env.insert("TARVELO_CONFIG_DIR", dirs_->config.path());
  env.insert("XDG_RUNTIME_DIR", dirs_->runtime.path());
  process_.setProcessEnvironment(env);
  process_.setProcessChannelMode(QProcess::MergedChannels);
  // A session, and so an autogroup, of its own: the booster sets its own
  // process's priority, which must not reach the test runner's autogroup.
  process_.setChildProcessModifier([] { ::setsid(); });
  process_.start(TARVELO_EXECUTABLE, arguments);
  process_.waitForStarted(5000);
}

Tarvelo::~Tarvelo() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

QList<Window> Tarvelo::Windows() const {
  QList<Window> windows;
  ToolResult search;
  // A window that vanishes during the search fails it (BadWindow): search again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    search = Tool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(Pid())});
    if (search.err.isEmpty()) break;
    QThread::msleep(50);
  }
  const QString ids = QString::fromUtf8(search.out);
  for (const QString& id : ids.split('\n', Qt::SkipEmptyParts)) windows.append(Window{id.trimmed()});
  return windows;
}

std::optional<Window> Tarvelo::WaitForWindow(QSize size, int timeoutMs) const {
  std::optional<Window> found;
  WaitFor(
      [&] {
        for (const Window& w : Windows()) {
          if (size.isEmpty() || w.Geometry().size() == size) {
            found = w;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

void Tarvelo::Signal(int signal) const { ::kill(static_cast<pid_t>(Pid()), signal); }

std::optional<int> Tarvelo::WaitForExit(int timeoutMs) {
  if (!process_.waitForFinished(timeoutMs) || process_.exitStatus() != QProcess::NormalExit) return std::nullopt;
  return process_.exitCode();
}

QByteArray Tarvelo::Output() { return process_.readAll(); }

bool IsOrange(QRgb p) { return qRed(p) > 200 && qGreen(p) > 90 && qGreen(p) < 200 && qBlue(p) < 90; }

bool IsBlue(QRgb p) { return qBlue(p) > qRed(p) + 40 && qBlue(p) > 90; }

}  // namespace tarvelo::e2e
