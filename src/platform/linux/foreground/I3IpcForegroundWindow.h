#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "platform/linux/foreground/CompositorForegroundWindow.h"

namespace platform::linux_impl {

// The window in front under sway and other compositors that speak i3's IPC:
// the focused node of the tree once, then the focus, title and close events
// of windows. The socket is read without waiting at every call. When the
// socket closes (the compositor ended or restarted), the socket is looked for
// again, at most once a second: first the path given, then any sway socket of
// this user in the runtime directory.
class I3IpcForegroundWindow final : public CompositorForegroundWindow {
 public:
  // socketPath: $SWAYSOCK (or $I3SOCK); runtimeDir: $XDG_RUNTIME_DIR, where a
  // restarted sway puts its new socket.
  I3IpcForegroundWindow(std::string socketPath, std::string runtimeDir);

  enum : std::uint32_t {
    kSubscribe = 2,
    kGetTree = 4,
    kEventWorkspace = 0x80000000u,
    kEventWindow = 0x80000003u,
    kEventShutdown = 0x80000006u,
  };
  // One message of the protocol: "i3-ipc", the payload's length and the
  // message type (native byte order), the payload.
  static std::string Message(std::uint32_t type, std::string_view payload);

 private:
  void Refresh() override;
  // Takes in every message that has arrived; disconnects on a broken one.
  void Drain();
  bool Connect();
  void Disconnect();
  bool Send(std::uint32_t type, std::string_view payload);
  void Handle(std::uint32_t type, std::string_view payload);
  void FrontFromTree(const nlohmann::json& tree);
  void FrontFromContainer(const nlohmann::json& container);

  std::string socketPath_;
  std::string runtimeDir_;
  UniqueFd fd_;
  std::string buffer_;
  RetryTimer retry_{std::chrono::seconds(1)};
};

}  // namespace platform::linux_impl
