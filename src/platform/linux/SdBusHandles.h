#pragma once

#include <systemd/sd-bus.h>

#include <memory>
#include <string>

namespace platform::linux_impl {

// Owners of sd-bus objects: each is released on every path.
struct SdBusUnref {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
using SdBusPtr = std::unique_ptr<sd_bus, SdBusUnref>;

struct SdBusMessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using SdBusMessagePtr = std::unique_ptr<sd_bus_message, SdBusMessageUnref>;

struct SdBusSlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using SdBusSlotPtr = std::unique_ptr<sd_bus_slot, SdBusSlotUnref>;

class SdBusError {
 public:
  SdBusError() = default;
  SdBusError(const SdBusError&) = delete;
  SdBusError& operator=(const SdBusError&) = delete;
  ~SdBusError() { sd_bus_error_free(&error_); }
  sd_bus_error* Get() { return &error_; }
  bool IsSet() const { return sd_bus_error_is_set(&error_) != 0; }
  std::string Name() const { return error_.name != nullptr ? error_.name : ""; }
  std::string Message() const { return error_.message != nullptr ? error_.message : ""; }

 private:
  sd_bus_error error_ = SD_BUS_ERROR_NULL;
};

// A client connection to the user's session bus, or to an address such as
// "unix:path=/tmp/bus" (a test's own bus); null when it cannot be made.
SdBusPtr OpenSessionBus(const std::string& address);

}  // namespace platform::linux_impl
