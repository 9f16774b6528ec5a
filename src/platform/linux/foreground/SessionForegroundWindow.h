#pragma once

#include <memory>
#include <string>

#include "platform/ForegroundWindow.h"

struct xcb_connection_t;

namespace platform::linux_impl {

// What the session's environment says about the desktop.
struct SessionEnvironment {
  std::string xdgCurrentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "KDE" or "ubuntu:GNOME"
  std::string waylandDisplay;     // WAYLAND_DISPLAY
  std::string swaySock;           // SWAYSOCK
  std::string hyprlandInstance;   // HYPRLAND_INSTANCE_SIGNATURE
  std::string runtimeDir;         // XDG_RUNTIME_DIR

  static SessionEnvironment FromProcess();
};

// How the window in front is found in a session.
enum class ForegroundWay {
  X11,          // not a Wayland session: X11, on the GUI's connection
  Sway,         // the i3 IPC socket of sway
  Hyprland,     // Hyprland's sockets
  KWin,         // a KWin script reporting over the session bus
  GnomeShell,   // Tarvelo's GNOME Shell extension on the session bus
  Unsupported,  // another Wayland compositor: no way to see the window in front
};

ForegroundWay ChooseForegroundWay(const SessionEnvironment& environment);

// The way of the session, built. x11: the GUI's X11 connection, if it has one.
std::unique_ptr<ForegroundWindow> CreateSessionForegroundWindow(const SessionEnvironment& environment,
                                                                xcb_connection_t* x11);

// A Wayland desktop without a way to ask for the window in front.
class UnsupportedForegroundWindow final : public ForegroundWindow {
 public:
  WindowHandle Foreground() override { return 0; }
  std::string Title(WindowHandle) override { return {}; }
  ProcessId OwnerProcess(WindowHandle) override { return 0; }
  std::string WhyUnseen() override;
};

}  // namespace platform::linux_impl
