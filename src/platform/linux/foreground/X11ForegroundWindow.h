#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ForegroundWindow.h"

struct xcb_connection_t;

namespace platform::linux_impl {

// The foreground window of an X11 display, asked over an xcb connection that
// someone else owns (the GUI toolkit's) and that outlives this object:
// - the window in front is the root's _NET_ACTIVE_WINDOW where a window
//   manager keeps it (while that window exists: some managers leave it naming
//   a closed window), else the input focus, taken up or down to the client
//   window (the one with WM_STATE) rather than a frame or a child;
// - the title is _NET_WM_NAME (UTF-8), else WM_NAME (Latin-1);
// - the owner is the local client pid the X-Resource extension reports, else
//   _NET_WM_PID when WM_CLIENT_MACHINE names this machine (a pid from another
//   machine would name an unrelated local process).
// A request about a window that has gone fails quietly; nothing reaches the
// toolkit's error handling.
class X11ForegroundWindow final : public ForegroundWindow {
 public:
  explicit X11ForegroundWindow(xcb_connection_t* connection);

  WindowHandle Foreground() override;
  std::string Title(WindowHandle window) override;
  ProcessId OwnerProcess(WindowHandle window) override;

  bool HasXRes() const { return hasXRes_; }

 private:
  bool Broken() const;
  WindowHandle ClientOf(std::uint32_t window);
  bool HasWmState(std::uint32_t window);
  ProcessId PidFromXRes(std::uint32_t window);
  ProcessId PidFromProperty(std::uint32_t window);

  xcb_connection_t* c_;
  std::vector<std::uint32_t> roots_;
  std::uint32_t netActiveWindow_ = 0;
  std::uint32_t netWmName_ = 0;
  std::uint32_t utf8String_ = 0;
  std::uint32_t wmState_ = 0;
  std::uint32_t netWmPid_ = 0;
  bool hasXRes_ = false;
  // The window in front at the last call, known to exist then; 0 for none.
  std::uint32_t confirmed_ = 0;
  std::string hostName_;
};

// The foreground window of the display behind the connection; without one
// (no X11), nothing is ever in front.
std::unique_ptr<ForegroundWindow> CreateX11ForegroundWindow(xcb_connection_t* connection);

// The text of a name property as UTF-8: UTF8_STRING as it is, any other type
// as Latin-1 (STRING, and the ASCII of COMPOUND_TEXT). Cut to the title length.
std::string TitleFromProperty(std::string_view bytes, bool utf8);

}  // namespace platform::linux_impl
