#include "platform/linux/foreground/GnomeShellForegroundWindow.h"

#include <string_view>

namespace platform::linux_impl {

namespace {

const char* const kNoBus = "The booster cannot reach the session bus to ask GNOME Shell for the window in front.";

// The major number of a version such as "46.2"; 0 when there is none.
int MajorVersion(const char* version) {
  int major = 0;
  for (const char* c = version; *c >= '0' && *c <= '9' && major < 10000; ++c) major = major * 10 + (*c - '0');
  return major;
}

}  // namespace

GnomeShellForegroundWindow::GnomeShellForegroundWindow(const std::string& busAddress)
    : bus_(OpenSessionBus(busAddress)) {
  if (!bus_) {
    SetProblem(kNoBus);
    return;
  }
  needsExtension_ = true;  // until the extension answers
  SetProblem(NeedsExtension());
  sd_bus_slot* slot = nullptr;
  // Signals from whichever connection owns the name now.
  if (sd_bus_match_signal(bus_.get(), &slot, kBusName, kObjectPath, kInterface, "Changed",
                          &GnomeShellForegroundWindow::OnChanged, this) >= 0) {
    changedWatch_.reset(slot);
  }
  slot = nullptr;
  if (sd_bus_match_signal(bus_.get(), &slot, kBusName, kObjectPath, kInterface, "Closed",
                          &GnomeShellForegroundWindow::OnClosed, this) >= 0) {
    closedWatch_.reset(slot);
  }
  slot = nullptr;
  const std::string ownerRule =
      std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                  "member='NameOwnerChanged',arg0='") + kBusName + "'";
  if (sd_bus_add_match(bus_.get(), &slot, ownerRule.c_str(), &GnomeShellForegroundWindow::OnOwnerChanged, this) >=
      0) {
    ownerWatch_.reset(slot);
  }
  AskFocused();
  // Which of the two extensions fits the running Shell.
  slot = nullptr;
  if (sd_bus_call_method_async(bus_.get(), &slot, "org.gnome.Shell", "/org/gnome/Shell",
                               "org.freedesktop.DBus.Properties", "Get", &GnomeShellForegroundWindow::OnShellVersion,
                               this, "ss", "org.gnome.Shell", "ShellVersion") >= 0) {
    versionCall_.reset(slot);
  }
}

std::string GnomeShellForegroundWindow::NeedsExtension() const {
  return std::string("To see the window in front, enable Tarvelo's GNOME Shell extension: gnome-extensions enable ") +
         uuid_ + " (log in again after installing Tarvelo).";
}

int GnomeShellForegroundWindow::OnShellVersion(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<GnomeShellForegroundWindow*>(data);
  const char* version = nullptr;
  if (sd_bus_message_is_method_error(m, nullptr) || sd_bus_message_read(m, "v", "s", &version) < 0) return 0;
  const int major = MajorVersion(version);
  self->uuid_ = major > 0 && major < 45 ? kLegacyExtensionUuid : kExtensionUuid;
  if (self->needsExtension_) self->SetProblem(self->NeedsExtension());
  return 0;
}

std::unique_ptr<ForegroundWindow> GnomeShellForegroundWindow::OnSessionBus() {
  return std::make_unique<GnomeShellForegroundWindow>("");
}

void GnomeShellForegroundWindow::AskFocused() {
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_method_async(bus_.get(), &slot, kBusName, kObjectPath, kInterface, "Get",
                               &GnomeShellForegroundWindow::OnReply, this, "") >= 0) {
    pendingCall_.reset(slot);
  }
}

void GnomeShellForegroundWindow::Refresh() {
  if (!bus_) return;
  for (int r = 1; r > 0;) {
    r = sd_bus_process(bus_.get(), nullptr);
    if (r < 0) {
      pendingCall_.reset();
      changedWatch_.reset();
      closedWatch_.reset();
      ownerWatch_.reset();
      bus_.reset();
      ForgetAll();
      SetProblem(kNoBus);
      return;
    }
  }
}

void GnomeShellForegroundWindow::Take(sd_bus_message* m) {
  const char* id = nullptr;
  std::uint32_t pid = 0;
  const char* title = nullptr;
  int local = 0;
  if (sd_bus_message_read(m, "susb", &id, &pid, &title, &local) < 0) return;
  needsExtension_ = false;
  SetProblem({});
  if (*id == '\0') {
    SetNoFront();
    return;
  }
  SetFront(id, pid, title, local != 0);
}

void GnomeShellForegroundWindow::Lost() {
  ForgetAll();
  needsExtension_ = true;
  SetProblem(NeedsExtension());
}

int GnomeShellForegroundWindow::OnChanged(sd_bus_message* m, void* data, sd_bus_error*) {
  static_cast<GnomeShellForegroundWindow*>(data)->Take(m);
  return 0;
}

int GnomeShellForegroundWindow::OnClosed(sd_bus_message* m, void* data, sd_bus_error*) {
  const char* id = nullptr;
  if (sd_bus_message_read(m, "s", &id) >= 0) static_cast<GnomeShellForegroundWindow*>(data)->Forget(id);
  return 0;
}

int GnomeShellForegroundWindow::OnReply(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<GnomeShellForegroundWindow*>(data);
  if (sd_bus_message_is_method_error(m, nullptr)) {
    self->Lost();
  } else {
    self->Take(m);
  }
  return 0;
}

int GnomeShellForegroundWindow::OnOwnerChanged(sd_bus_message* m, void* data, sd_bus_error*) {
  auto* self = static_cast<GnomeShellForegroundWindow*>(data);
  const char* name = nullptr;
  const char* oldOwner = nullptr;
  const char* newOwner = nullptr;
  if (sd_bus_message_read(m, "sss", &name, &oldOwner, &newOwner) < 0) return 0;
  self->Lost();  // the old owner's windows are no longer known
  if (newOwner != nullptr && *newOwner != '\0') self->AskFocused();
  return 0;
}

}  // namespace platform::linux_impl
