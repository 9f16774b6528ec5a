#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

namespace tarvelo::e2e {

// The private display the fixture started ($TARVELO_E2E_SESSION/display).
QString Display();

// A time limit of the tests, stretched by $TARVELO_TEST_TIME_SCALE (3 when
// unset) so that a loaded machine passes too. The waits below apply it to
// the limits they are given: a wait ends as soon as its event comes, so only
// a failure takes the whole limit.
int Limit(int ms);

struct ToolResult {
  int exitCode = -1;  // -1 when it did not finish
  QByteArray out;
  QByteArray err;
};

// Runs an X tool (xdotool, xprop, import, ...) on the private display.
ToolResult Tool(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
// What the tool printed; "" when it failed.
QByteArray RunTool(const QString& program, const QStringList& arguments, int timeoutMs = 10000);

// Polls until the condition holds or the time (stretched by Limit) is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// A screenshot of the whole display.
QImage Screenshot();

// Every window inside the tray host (its docked icons and its own parts), as
// xdotool names windows (decimal ids).
QStringList TrayHostWindows();
// Ends the tray host and starts it again with its options; false on failure.
bool RestartTrayHost();

// One window on the display.
struct Window {
  QString id;
  QString Name() const;
  QRect Geometry() const;         // the client area, in screen coordinates
  QList<int> FrameExtents() const;  // _NET_FRAME_EXTENTS: left, right, top, bottom
  // Clicks at a point of the window's client area.
  void Click(int x, int y, int button = 1) const;
  void DoubleClick(int x, int y) const;
  // Focuses the window and types a key on the keyboard.
  void Key(const QString& key) const;
};

// A window with its client area, in screen coordinates, as read together.
struct ShownWindow {
  Window window;
  QRect geometry;
};

// A running Tarvelo with a settings directory, runtime directory and XDG
// configuration directories of its own (so its lock, Config.ini and autostart
// entry are private to the test, unless shared). Its web site is a closed
// local port.
class Tarvelo {
 public:
  struct Dirs {
    QTemporaryDir config;
    QTemporaryDir runtime;
    QTemporaryDir xdg;
    // $XDG_CONFIG_HOME/autostart and $XDG_CONFIG_DIRS/autostart (the
    // machine-wide one is used only when the test creates it).
    QString UserAutostart() const { return xdg.filePath("home/autostart"); }
    QString MachineAutostart() const { return xdg.filePath("system/autostart"); }
  };
  // Starts the program (the built one unless `program` names another copy);
  // `dirs` lets a second instance share the first's.
  explicit Tarvelo(std::shared_ptr<Dirs> dirs = nullptr, const QStringList& arguments = {},
                   const QString& program = {});
  ~Tarvelo();

  qint64 Pid() const { return process_.processId(); }
  std::shared_ptr<Dirs> SharedDirs() const { return dirs_; }
  QString ConfigFile() const { return dirs_->config.filePath("Config.ini"); }
  bool Running() const { return process_.state() == QProcess::Running; }

  // The program's visible windows, its tray icon aside.
  QList<Window> Windows() const;
  // The same with where each lies, read in one go.
  QList<ShownWindow> ShownWindows() const;
  // The program's icons docked in the tray host.
  QList<Window> TrayIcons() const;
  // Waits for a visible window of the program with this size (any size when empty).
  std::optional<Window> WaitForWindow(QSize size = {}, int timeoutMs = 10000) const;
  std::optional<Window> MainWindow() const { return WaitForWindow({786, 557}); }

  void Signal(int signal) const;
  // Waits for the end; the exit code, or nothing when it did not end in time or crashed.
  std::optional<int> WaitForExit(int timeoutMs = 10000);
  QByteArray Output();

 private:
  std::shared_ptr<Dirs> dirs_;
  mutable QProcess process_;
};

// Is the pixel, in screen coordinates, of this kind of colour?
bool IsOrange(QRgb pixel);
bool IsBlue(QRgb pixel);

}  // namespace tarvelo::e2e
