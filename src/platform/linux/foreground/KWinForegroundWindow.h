#pragma once

#include <memory>
#include <string>

#include "platform/linux/foreground/CompositorForegroundWindow.h"
#include "platform/linux/SdBusHandles.h"

namespace platform::linux_impl {

// The window in front under KWin (KDE Plasma 5 and 6): a small KWin script,
// loaded through KWin's scripting interface on the session bus, calls this
// object whenever the active window or its caption changes, with the
// window's id, process id, caption and the machine it runs on, and with the
// id of each window that closes. Only calls from KWin's own connection
// count. The calls are taken in, without waiting, at every Foreground() call.
// The script is unloaded when this object goes, and loaded again when KWin
// restarts.
class KWinForegroundWindow final : public CompositorForegroundWindow {
 public:
  static constexpr const char* kPluginName = "tarvelo-foreground";
  static constexpr const char* kObjectPath = "/org/tarvelo/Foreground";
  static constexpr const char* kInterface = "org.tarvelo.Foreground";

  // busAddress: "" for the user's session bus. The script file is written
  // into a private directory made under scriptParent.
  KWinForegroundWindow(const std::string& busAddress, const std::string& scriptParent);
  ~KWinForegroundWindow() override;
  KWinForegroundWindow(const KWinForegroundWindow&) = delete;
  KWinForegroundWindow& operator=(const KWinForegroundWindow&) = delete;

  static std::unique_ptr<ForegroundWindow> OnSessionBus();

  // The script's text; it calls back the bus connection named service.
  static std::string ScriptText(const std::string& service);
  bool ScriptLoaded() const { return scriptId_ >= 0; }

 private:
  void Refresh() override;
  void LoadScript();
  void UnloadScript();
  static int OnCall(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnOwnerChanged(sd_bus_message* message, void* self, sd_bus_error* error);

  SdBusPtr bus_;
  SdBusSlotPtr object_;
  SdBusSlotPtr ownerWatch_;
  std::string kwinOwner_;  // KWin's unique name while it runs
  std::string hostName_;
  std::string scriptDir_;
  std::string scriptPath_;
  int scriptId_ = -1;
  // Set while KWin is on the bus without our script: a KWin that has just
  // taken its name may not offer its scripting interface yet.
  bool reload_ = false;
  RetryTimer retry_{std::chrono::seconds(1)};
};

}  // namespace platform::linux_impl
