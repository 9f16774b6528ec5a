#pragma once

#include <memory>
#include <string>

#include "platform/linux/foreground/CompositorForegroundWindow.h"
#include "platform/linux/SdBusHandles.h"

namespace platform::linux_impl {

// The window in front under GNOME Shell, which tells no client about it by
// itself: Tarvelo's small Shell extension owns a name on the session bus and
// signals the focused window's id, process id, title and whether it runs on
// this machine whenever they change, and the id of a window it named that has
// closed. While the name has no owner (the
// extension is not enabled), WhyUnseen() says how to enable it, naming the
// extension made for the running Shell (its API changed with GNOME 45); when
// the name appears, the window in front is asked for once. Signals are taken in,
// without waiting, at every Foreground() call.
class GnomeShellForegroundWindow final : public CompositorForegroundWindow {
 public:
  static constexpr const char* kExtensionUuid = "tarvelo-foreground@tarvelo.org";
  static constexpr const char* kLegacyExtensionUuid = "tarvelo-foreground-legacy@tarvelo.org";
  static constexpr const char* kBusName = "org.tarvelo.FocusedWindow";
  static constexpr const char* kObjectPath = "/org/tarvelo/FocusedWindow";
  static constexpr const char* kInterface = "org.tarvelo.FocusedWindow";

  // busAddress: "" for the user's session bus.
  explicit GnomeShellForegroundWindow(const std::string& busAddress);

  static std::unique_ptr<ForegroundWindow> OnSessionBus();

 private:
  void Refresh() override;
  void AskFocused();
  // Reads "(subs)": id, pid, title, local.
  void Take(sd_bus_message* message);
  void Lost();
  std::string NeedsExtension() const;
  static int OnChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnClosed(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnOwnerChanged(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnReply(sd_bus_message* message, void* self, sd_bus_error* error);
  static int OnShellVersion(sd_bus_message* message, void* self, sd_bus_error* error);

  SdBusPtr bus_;
  SdBusSlotPtr changedWatch_;
  SdBusSlotPtr closedWatch_;
  SdBusSlotPtr ownerWatch_;
  SdBusSlotPtr pendingCall_;
  SdBusSlotPtr versionCall_;
  const char* uuid_ = kExtensionUuid;
  bool needsExtension_ = false;
};

}  // namespace platform::linux_impl
