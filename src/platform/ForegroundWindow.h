#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A top-level window; 0 is no window. X11 window ids and the window handles of
// 32-bit Windows both fit in 32 bits.
using WindowHandle = std::uint32_t;
// A process id; 0 is no process.
using ProcessId = std::uint32_t;

// The window in front of the user and what the booster needs to know of it.
class ForegroundWindow {
 public:
  // Titles are cut to this many characters, as a 255-character buffer holds.
  static constexpr std::size_t kMaxTitleChars = 254;

  virtual ~ForegroundWindow() = default;
  // The window in front, or 0 when there is none (also while a window manager
  // switches, and without a window system).
  virtual WindowHandle Foreground() = 0;
  // The window's title as UTF-8, at most kMaxTitleChars characters; "" when it
  // has none, the window is gone or the handle is 0.
  virtual std::string Title(WindowHandle window) = 0;
  // The process that owns the window, or 0 when it cannot be found out.
  virtual ProcessId OwnerProcess(WindowHandle window) = 0;
  // Why the window in front cannot be seen here, as one plain sentence for the
  // user (a desktop without a way to ask, a helper to enable, a compositor out
  // of reach); "" while it can be seen.
  virtual std::string WhyUnseen() { return {}; }
};

// No window system (the offscreen platform, a Wayland session without
// XWayland): nothing is ever in front.
class NoForegroundWindow final : public ForegroundWindow {
 public:
  WindowHandle Foreground() override { return 0; }
  std::string Title(WindowHandle) override { return {}; }
  ProcessId OwnerProcess(WindowHandle) override { return 0; }
};

}  // namespace platform
