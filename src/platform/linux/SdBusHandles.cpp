#include "platform/linux/SdBusHandles.h"

namespace platform::linux_impl {

SdBusPtr OpenSessionBus(const std::string& address) {
  sd_bus* raw = nullptr;
  if (address.empty()) {
    if (sd_bus_open_user(&raw) < 0) return {};
    return SdBusPtr(raw);
  }
  if (sd_bus_new(&raw) < 0) return {};
  SdBusPtr bus(raw);
  if (sd_bus_set_address(raw, address.c_str()) < 0 || sd_bus_set_bus_client(raw, 1) < 0 || sd_bus_start(raw) < 0) {
    return {};
  }
  return bus;
}

}  // namespace platform::linux_impl
