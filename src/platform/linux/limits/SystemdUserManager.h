#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sd_bus;

namespace platform::linux_impl {

// A refusal or failure of the bus: the D-Bus error name
// ("org.freedesktop.DBus.Error.AccessDenied", ...) and its message.
struct BusError {
  std::string name;
  std::string message;
};

// The outcome of one request: a value, or the error that stopped it.
template <typename T>
struct BusResult {
  T value{};
  std::optional<BusError> error;
  bool Ok() const { return !error.has_value(); }
};
struct BusDone {};
using BusStatus = BusResult<BusDone>;

// A unit property as the manager takes it: "t" (an unsigned 64-bit number),
// "s" (text) or "au" (process ids).
using UnitPropertyValue = std::variant<std::uint64_t, std::string, std::vector<std::uint32_t>>;
struct UnitProperty {
  std::string name;
  UnitPropertyValue value;
};

// Which unit holds a process.
struct UnitOfProcess {
  std::string objectPath;    // "/org/freedesktop/systemd1/unit/app_2dfoo_2escope"
  std::string name;          // "app-foo.scope"
  std::string controlGroup;  // "/user.slice/user-1000.slice/user@1000.service/app.slice/app-foo.scope"
};

// "No limit": systemd's infinity for CPUQuotaPerSecUSec and friends.
inline constexpr std::uint64_t kUnitInfinity = UINT64_MAX;

// A client of the systemd manager (org.freedesktop.systemd1) on one bus
// connection: the user's own manager on the session bus, or any address (the
// tests' stand-in). Every call blocks for at most the timeout and reports
// failures as results, never by throwing.
class SystemdUserManager {
 public:
  ~SystemdUserManager();
  SystemdUserManager(const SystemdUserManager&) = delete;
  SystemdUserManager& operator=(const SystemdUserManager&) = delete;

  // The user's session bus ($DBUS_SESSION_BUS_ADDRESS or the runtime
  // directory's bus socket).
  static BusResult<std::unique_ptr<SystemdUserManager>> OpenUserBus();
  // A bus at an address such as "unix:path=/run/.../bus".
  static BusResult<std::unique_ptr<SystemdUserManager>> OpenAddress(const std::string& address);

  // How long one call may wait for its answer (5 s unless set).
  void SetTimeoutMicroseconds(std::uint64_t usec);

  // GetUnitByPID, then the unit's name and control group.
  BusResult<UnitOfProcess> UnitOfPid(pid_t pid);
  // The CPUWeight of a loaded unit (a service, scope or slice); the manager
  // reports UINT64_MAX when the weight is unset.
  BusResult<std::uint64_t> CpuWeight(std::string_view unitName);
  BusResult<std::uint64_t> CpuQuotaPerSecUSec(std::string_view unitName);
  // Any unsigned property of a unit's own type interface (Scope, Service, Slice).
  BusResult<std::uint64_t> UnitNumber(std::string_view unitName, std::string_view property);
  // The unit's ActiveState ("active", "inactive", ...) or an error when the
  // manager does not know it.
  BusResult<std::string> ActiveState(std::string_view unitName);

  // The unit's control group ("/user.slice/.../app.slice/app-x.scope"); empty
  // while it has none.
  BusResult<std::string> ControlGroup(std::string_view unitName);

  BusStatus SetUnitProperties(std::string_view unitName, bool runtime, const std::vector<UnitProperty>& properties);
  // Starts a transient unit (mode "fail") and waits, within the timeout, for
  // its start job to end: the manager answers the call as soon as the job is
  // queued, and only the job's end says whether the unit runs. The value is
  // the job's result: "done", or "failed", "canceled", "dependency", ...
  BusResult<std::string> StartTransientUnit(std::string_view unitName, const std::vector<UnitProperty>& properties);
  // A .scope of its own for the processes, under a slice, unloaded by the
  // manager once it ends, failed or not, so that the name is free again.
  BusResult<std::string> StartTransientScope(std::string_view unitName, const std::vector<std::uint32_t>& pids,
                                             std::string_view description, std::string_view slice,
                                             std::optional<std::uint64_t> cpuQuotaPerSecUSec);
  // Stops a unit (mode "replace").
  BusStatus StopUnit(std::string_view unitName);
  // Clears a unit's failed state, so that the manager unloads it.
  BusStatus ResetFailedUnit(std::string_view unitName);
  // The names of the loaded units that match a shell-style pattern
  // ("tarvelo-*.scope").
  BusResult<std::vector<std::string>> ListUnitNames(std::string_view pattern);

  // The object path the manager gives a unit of this name.
  static std::string UnitObjectPath(std::string_view unitName);
  // "org.freedesktop.systemd1.Scope" for "x.scope", and so on.
  static std::string TypeInterface(std::string_view unitName);

 private:
  explicit SystemdUserManager(sd_bus* bus);
  BusResult<std::string> StringProperty(const std::string& path, const char* interface, const char* property);
  BusResult<std::uint64_t> NumberProperty(const std::string& path, const char* interface, const char* property);

  sd_bus* bus_;
  std::uint64_t timeoutUsec_ = 0;
};

}  // namespace platform::linux_impl
