#pragma once

#include <optional>
#include <string>

#include "platform/linux/foreground/CompositorForegroundWindow.h"

namespace platform::linux_impl {

// The window in front under Hyprland: its event socket (.socket2.sock) says
// when the active window or a title changes or a window closes, and then the
// request socket (.socket.sock) answers "j/activewindow" with the window's
// address, pid and title. The event socket is read without waiting at every
// call; a request waits at most a second. When the event socket closes (the
// compositor ended or restarted), the sockets are looked for again, at most
// once a second: first the instance given, then any instance in the runtime
// directory.
class HyprlandForegroundWindow final : public CompositorForegroundWindow {
 public:
  // instance: $HYPRLAND_INSTANCE_SIGNATURE; runtimeDir: $XDG_RUNTIME_DIR.
  // Hyprland keeps its sockets in <runtimeDir>/hypr/<instance>/ (older
  // releases in /tmp/hypr/<instance>/); tmpDir stands for /tmp.
  HyprlandForegroundWindow(std::string instance, std::string runtimeDir, std::string tmpDir = "/tmp");

 private:
  void Refresh() override;
  // Takes in the events that have arrived and asks for the active window
  // when they say it changed; disconnects when the socket ends.
  void Drain();
  bool Connect();
  bool ConnectIn(const std::string& directory);
  // Asks the request socket for the active window; false when it did not answer.
  bool QueryActiveWindow();

  std::string instance_;
  std::string runtimeDir_;
  std::string tmpDir_;
  std::string directory_;  // where the sockets of the instance in use lie
  UniqueFd events_;
  std::string buffer_;
  RetryTimer retry_{std::chrono::seconds(1)};
};

}  // namespace platform::linux_impl
