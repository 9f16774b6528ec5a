#include "platform/linux/foreground/SessionForegroundWindow.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/linux/foreground/GnomeShellForegroundWindow.h"
#include "platform/linux/foreground/HyprlandForegroundWindow.h"
#include "platform/linux/foreground/I3IpcForegroundWindow.h"
#include "platform/linux/foreground/KWinForegroundWindow.h"
#include "platform/linux/foreground/X11ForegroundWindow.h"

namespace platform::linux_impl {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Whether the colon-separated desktop list names this desktop (any case).
bool NamesDesktop(std::string_view list, std::string_view desktop) {
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    const std::string_view item = list.substr(0, colon);
    if (std::equal(item.begin(), item.end(), desktop.begin(), desktop.end(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        })) {
      return true;
    }
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return false;
}

}  // namespace

SessionEnvironment SessionEnvironment::FromProcess() {
  return {Env("XDG_CURRENT_DESKTOP"), Env("WAYLAND_DISPLAY"), Env("SWAYSOCK"), Env("HYPRLAND_INSTANCE_SIGNATURE"),
          Env("XDG_RUNTIME_DIR")};
}

ForegroundWay ChooseForegroundWay(const SessionEnvironment& e) {
  // Without a Wayland display, X11 sees every window.
  if (e.waylandDisplay.empty()) return ForegroundWay::X11;
  // The compositors' own variables first: they name the compositor that is
  // running, while the desktop name may be inherited or set by hand.
  if (!e.hyprlandInstance.empty()) return ForegroundWay::Hyprland;
  if (!e.swaySock.empty()) return ForegroundWay::Sway;
  if (NamesDesktop(e.xdgCurrentDesktop, "KDE")) return ForegroundWay::KWin;
  if (NamesDesktop(e.xdgCurrentDesktop, "GNOME")) return ForegroundWay::GnomeShell;
  return ForegroundWay::Unsupported;
}

std::string UnsupportedForegroundWindow::WhyUnseen() {
  return "The booster cannot see the window in front on this Wayland desktop.";
}

std::unique_ptr<ForegroundWindow> CreateSessionForegroundWindow(const SessionEnvironment& e, xcb_connection_t* x11) {
  switch (ChooseForegroundWay(e)) {
    case ForegroundWay::X11:
      return CreateX11ForegroundWindow(x11);
    case ForegroundWay::Sway:
      return std::make_unique<I3IpcForegroundWindow>(e.swaySock, e.runtimeDir);
    case ForegroundWay::Hyprland:
      return std::make_unique<HyprlandForegroundWindow>(e.hyprlandInstance, e.runtimeDir);
    case ForegroundWay::KWin:
      return KWinForegroundWindow::OnSessionBus();
    case ForegroundWay::GnomeShell:
      return GnomeShellForegroundWindow::OnSessionBus();
    case ForegroundWay::Unsupported:
      break;
  }
  return std::make_unique<UnsupportedForegroundWindow>();
}

}  // namespace platform::linux_impl
