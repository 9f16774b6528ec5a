#include <QApplication>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <iostream>

#include "app/CommandLine.h"
#include "app/FormTarvelo.h"
#include "platform/Platform.h"
#include "widgets/Fonts.h"

#if defined(Q_OS_LINUX)
#include "platform/linux/desktop/FontConfiguration.h"
#include "platform/linux/foreground/SessionForegroundWindow.h"
#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#endif
#endif

namespace {

// With --quit-when-shown the program ends as soon as its window is on the
// screen: a start-up time measurement.
class QuitWhenShown : public QObject {
 public:
  explicit QuitWhenShown(tarvelo::FormTarvelo& form) : form_(form) { form.windowHandle()->installEventFilter(this); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Expose && form_.windowHandle()->isExposed()) {
      QTimer::singleShot(0, &form_, [this] { form_.ExitProgram(); });
    }
    return false;
  }

 private:
  tarvelo::FormTarvelo& form_;
};

}  // namespace

int main(int argc, char* argv[]) {
  // --help and --version print and end before anything needs a display.
  const std::span<char* const> arguments(argv, static_cast<std::size_t>(argc));
  if (const auto status = tarvelo::CommandLine::HandlePrintingOptions(arguments, std::cout)) return *status;
#if defined(Q_OS_LINUX)
  // Without a display Qt would abort with a core dump: say why and end instead.
  const tarvelo::CommandLine::DisplayEnvironment display{std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                                                         std::getenv("WAYLAND_DISPLAY")};
  if (const auto status = tarvelo::CommandLine::CheckBeforeQt(arguments, display, std::cerr)) return *status;
  const std::jthread readingFonts = platform::linux_impl::ReadFontConfigurationInBackground();
  // On X11 the program repaints a few small areas about once a second: the
  // tray frame, and while the window shows the clock, the diagram and the
  // figures. Through MIT-SHM each such paint first waits for the X server to
  // be done with the last one, a round trip that wakes two threads; sending
  // so few pixels with the request costs less. A setting of the user's wins.
  // Qt reads it when it connects, so it is taken out again afterwards: the
  // programs Tarvelo starts (a browser, pkexec) keep their own ways.
  const bool noMitShmSet = !qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
  if (noMitShmSet) qputenv("QT_XCB_NO_MITSHM", "1");
#endif
  QApplication app(argc, argv);
#if defined(Q_OS_LINUX)
  if (noMitShmSet) qunsetenv("QT_XCB_NO_MITSHM");
#endif
  // Qt has taken its own options out of argv: what is left must be the program's.
  if (const auto status = tarvelo::CommandLine::CheckRemainingArguments(
          std::span<char* const>(argv, static_cast<std::size_t>(argc)), std::cerr)) {
    return *status;
  }
  QApplication::setApplicationName("Tarvelo");
  QApplication::setApplicationVersion(QString::fromUtf8(tarvelo::CommandLine::Version()));
  // Ties the windows to the desktop entry and its icon (the Wayland app id).
  QGuiApplication::setDesktopFileName(TARVELO_APP_ID);
  // Hiding to the tray is no reason to end; only ExitProgram ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  tarvelo::widgets::InstallFontSubstitutions();

  platform::Platform platform = platform::CreateNativePlatform();
#if defined(Q_OS_LINUX)
  // The booster asks the session's compositor, or X11 on Qt's own connection.
  xcb_connection_t* x11 = nullptr;
#if QT_CONFIG(xcb)
  if (auto* x11App = app.nativeInterface<QNativeInterface::QX11Application>()) x11 = x11App->connection();
#endif
  platform.foregroundWindow = platform::linux_impl::CreateSessionForegroundWindow(
      platform::linux_impl::SessionEnvironment::FromProcess(), x11);
#endif
  tarvelo::FormTarvelo form(platform);
  if (!form.Load() || form.Exiting()) return 0;

  std::unique_ptr<QuitWhenShown> quitWhenShown;
  if (QApplication::arguments().contains("--quit-when-shown") && form.windowHandle() != nullptr) {
    quitWhenShown = std::make_unique<QuitWhenShown>(form);
  }
  return QApplication::exec();
}
