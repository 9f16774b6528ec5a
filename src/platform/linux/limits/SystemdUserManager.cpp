#include "platform/linux/limits/SystemdUserManager.h"

#include "platform/linux/SdBusHandles.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>

namespace platform::linux_impl {

namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kManagerPath = "/org/freedesktop/systemd1";
constexpr const char* kManagerInterface = "org.freedesktop.systemd1.Manager";
constexpr const char* kUnitInterface = "org.freedesktop.systemd1.Unit";
constexpr const char* kUnitPathPrefix = "/org/freedesktop/systemd1/unit";

using Message = SdBusMessagePtr;
using BusPtr = SdBusPtr;

std::uint64_t Now() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

BusError FromErrno(int r, const char* what) {
  return {"org.freedesktop.DBus.Error.Failed", std::string(what) + ": " + std::strerror(r < 0 ? -r : r)};
}

BusError FromCall(const SdBusError& e, int r, const char* what) {
  if (e.IsSet()) return {e.Name(), e.Message()};
  return FromErrno(r, what);
}

template <typename T>
BusResult<T> Failure(BusError error) {
  BusResult<T> result;
  result.error = std::move(error);
  return result;
}

// Appends one "(sv)" pair to an open "a(sv)" container.
int AppendProperty(sd_bus_message* m, const UnitProperty& property) {
  int r = sd_bus_message_open_container(m, 'r', "sv");
  if (r < 0) return r;
  r = sd_bus_message_append(m, "s", property.name.c_str());
  if (r < 0) return r;
  if (const auto* number = std::get_if<std::uint64_t>(&property.value)) {
    r = sd_bus_message_append(m, "v", "t", *number);
  } else if (const auto* text = std::get_if<std::string>(&property.value)) {
    r = sd_bus_message_append(m, "v", "s", text->c_str());
  } else {
    const auto& pids = std::get<std::vector<std::uint32_t>>(property.value);
    r = sd_bus_message_open_container(m, 'v', "au");
    if (r >= 0) r = sd_bus_message_append_array(m, 'u', pids.data(), pids.size() * sizeof(std::uint32_t));
    if (r >= 0) r = sd_bus_message_close_container(m);
  }
  if (r < 0) return r;
  return sd_bus_message_close_container(m);
}

int AppendProperties(sd_bus_message* m, const std::vector<UnitProperty>& properties) {
  int r = sd_bus_message_open_container(m, 'a', "(sv)");
  if (r < 0) return r;
  for (const UnitProperty& p : properties) {
    r = AppendProperty(m, p);
    if (r < 0) return r;
  }
  return sd_bus_message_close_container(m);
}

BusResult<std::unique_ptr<SystemdUserManager>> Opened(int r, sd_bus* raw, const char* what,
                                                      std::unique_ptr<SystemdUserManager> (*make)(sd_bus*)) {
  BusPtr bus(raw);
  if (r < 0) return Failure<std::unique_ptr<SystemdUserManager>>(FromErrno(r, what));
  BusResult<std::unique_ptr<SystemdUserManager>> result;
  result.value = make(bus.release());
  return result;
}

}  // namespace

SystemdUserManager::SystemdUserManager(sd_bus* bus) : bus_(bus) { SetTimeoutMicroseconds(5'000'000); }

SystemdUserManager::~SystemdUserManager() { sd_bus_flush_close_unref(bus_); }

void SystemdUserManager::SetTimeoutMicroseconds(std::uint64_t usec) {
  timeoutUsec_ = usec;
  sd_bus_set_method_call_timeout(bus_, usec);
}

BusResult<std::unique_ptr<SystemdUserManager>> SystemdUserManager::OpenUserBus() {
  sd_bus* bus = nullptr;
  const int r = sd_bus_open_user(&bus);
  return Opened(r, bus, "cannot connect to the session bus",
                [](sd_bus* b) { return std::unique_ptr<SystemdUserManager>(new SystemdUserManager(b)); });
}

BusResult<std::unique_ptr<SystemdUserManager>> SystemdUserManager::OpenAddress(const std::string& address) {
  sd_bus* raw = nullptr;
  int r = sd_bus_new(&raw);
  BusPtr bus(raw);
  if (r >= 0) r = sd_bus_set_address(raw, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(raw, 1);
  if (r >= 0) r = sd_bus_start(raw);
  return Opened(r, bus.release(), "cannot connect to the bus",
                [](sd_bus* b) { return std::unique_ptr<SystemdUserManager>(new SystemdUserManager(b)); });
}

std::string SystemdUserManager::UnitObjectPath(std::string_view unitName) {
  char* path = nullptr;
  if (sd_bus_path_encode(kUnitPathPrefix, std::string(unitName).c_str(), &path) < 0) return {};
  std::string result(path);
  std::free(path);
  return result;
}

std::string SystemdUserManager::TypeInterface(std::string_view unitName) {
  static constexpr std::pair<std::string_view, const char*> kTypes[] = {
      {".scope", "org.freedesktop.systemd1.Scope"},
      {".service", "org.freedesktop.systemd1.Service"},
      {".slice", "org.freedesktop.systemd1.Slice"},
      {".socket", "org.freedesktop.systemd1.Socket"},
      {".mount", "org.freedesktop.systemd1.Mount"},
      {".swap", "org.freedesktop.systemd1.Swap"},
  };
  for (const auto& [suffix, interface] : kTypes) {
    if (unitName.size() > suffix.size() && unitName.ends_with(suffix)) return interface;
  }
  return kUnitInterface;
}

BusResult<std::string> SystemdUserManager::StringProperty(const std::string& path, const char* interface,
                                                          const char* property) {
  SdBusError e;
  char* value = nullptr;
  const int r = sd_bus_get_property_string(bus_, kService, path.c_str(), interface, property, e.Get(), &value);
  if (r < 0) return Failure<std::string>(FromCall(e, r, property));
  BusResult<std::string> result;
  result.value = value ? value : "";
  std::free(value);
  return result;
}

BusResult<std::uint64_t> SystemdUserManager::NumberProperty(const std::string& path, const char* interface,
                                                            const char* property) {
  SdBusError e;
  std::uint64_t value = 0;
  const int r = sd_bus_get_property_trivial(bus_, kService, path.c_str(), interface, property, e.Get(), 't', &value);
  if (r < 0) return Failure<std::uint64_t>(FromCall(e, r, property));
  BusResult<std::uint64_t> result;
  result.value = value;
  return result;
}

BusResult<UnitOfProcess> SystemdUserManager::UnitOfPid(pid_t pid) {
  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  int r = sd_bus_call_method(bus_, kService, kManagerPath, kManagerInterface, "GetUnitByPID", e.Get(), &rawReply,
                             "u", static_cast<std::uint32_t>(pid));
  Message reply(rawReply);
  if (r < 0) return Failure<UnitOfProcess>(FromCall(e, r, "GetUnitByPID"));
  const char* path = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &path);
  if (r < 0) return Failure<UnitOfProcess>(FromErrno(r, "GetUnitByPID reply"));

  BusResult<UnitOfProcess> result;
  result.value.objectPath = path;
  auto id = StringProperty(result.value.objectPath, kUnitInterface, "Id");
  if (!id.Ok()) return Failure<UnitOfProcess>(*id.error);
  result.value.name = id.value;
  auto group = ControlGroup(id.value);
  if (!group.Ok()) return Failure<UnitOfProcess>(*group.error);
  result.value.controlGroup = group.value;
  return result;
}

BusResult<std::uint64_t> SystemdUserManager::UnitNumber(std::string_view unitName, std::string_view property) {
  return NumberProperty(UnitObjectPath(unitName), TypeInterface(unitName).c_str(), std::string(property).c_str());
}

BusResult<std::uint64_t> SystemdUserManager::CpuWeight(std::string_view unitName) {
  return UnitNumber(unitName, "CPUWeight");
}

BusResult<std::uint64_t> SystemdUserManager::CpuQuotaPerSecUSec(std::string_view unitName) {
  return UnitNumber(unitName, "CPUQuotaPerSecUSec");
}

BusResult<std::string> SystemdUserManager::ControlGroup(std::string_view unitName) {
  return StringProperty(UnitObjectPath(unitName), TypeInterface(unitName).c_str(), "ControlGroup");
}

BusResult<std::string> SystemdUserManager::ActiveState(std::string_view unitName) {
  return StringProperty(UnitObjectPath(unitName), kUnitInterface, "ActiveState");
}

BusStatus SystemdUserManager::SetUnitProperties(std::string_view unitName, bool runtime,
                                                const std::vector<UnitProperty>& properties) {
  sd_bus_message* rawCall = nullptr;
  int r = sd_bus_message_new_method_call(bus_, &rawCall, kService, kManagerPath, kManagerInterface,
                                         "SetUnitProperties");
  Message call(rawCall);
  if (r >= 0) r = sd_bus_message_append(call.get(), "sb", std::string(unitName).c_str(), runtime ? 1 : 0);
  if (r >= 0) r = AppendProperties(call.get(), properties);
  if (r < 0) return Failure<BusDone>(FromErrno(r, "SetUnitProperties"));
  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  r = sd_bus_call(bus_, call.get(), 0, e.Get(), &rawReply);
  Message reply(rawReply);
  if (r < 0) return Failure<BusDone>(FromCall(e, r, "SetUnitProperties"));
  return {};
}

BusResult<std::string> SystemdUserManager::StartTransientUnit(std::string_view unitName,
                                                              const std::vector<UnitProperty>& properties) {
  sd_bus_message* rawCall = nullptr;
  int r = sd_bus_message_new_method_call(bus_, &rawCall, kService, kManagerPath, kManagerInterface,
                                         "StartTransientUnit");
  Message call(rawCall);
  if (r >= 0) r = sd_bus_message_append(call.get(), "ss", std::string(unitName).c_str(), "fail");
  if (r >= 0) r = AppendProperties(call.get(), properties);
  // No auxiliary units.
  if (r >= 0) r = sd_bus_message_append(call.get(), "a(sa(sv))", 0);
  if (r < 0) return Failure<std::string>(FromErrno(r, "StartTransientUnit"));

  // Listen for the end of jobs before asking, as the job may end before the
  // answer is read; the manager sends JobRemoved to the client that queued it.
  std::map<std::string, std::string> ended;  // job path -> result
  const sd_bus_message_handler_t onJobRemoved = [](sd_bus_message* m, void* userdata, sd_bus_error*) {
    std::uint32_t id = 0;
    const char* path = nullptr;
    const char* unit = nullptr;
    const char* result = nullptr;
    if (sd_bus_message_read(m, "uoss", &id, &path, &unit, &result) >= 0) {
      (*static_cast<std::map<std::string, std::string>*>(userdata))[path] = result;
    }
    return 0;
  };
  sd_bus_slot* rawSlot = nullptr;
  r = sd_bus_match_signal(bus_, &rawSlot, kService, kManagerPath, kManagerInterface, "JobRemoved", onJobRemoved,
                          &ended);
  SdBusSlotPtr slot(rawSlot);
  if (r < 0) return Failure<std::string>(FromErrno(r, "JobRemoved"));

  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  r = sd_bus_call(bus_, call.get(), 0, e.Get(), &rawReply);
  Message reply(rawReply);
  if (r < 0) return Failure<std::string>(FromCall(e, r, "StartTransientUnit"));
  const char* jobPath = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &jobPath);
  if (r < 0) return Failure<std::string>(FromErrno(r, "StartTransientUnit reply"));
  const std::string job = jobPath;

  const std::uint64_t deadline = Now() + timeoutUsec_;
  while (!ended.contains(job)) {
    r = sd_bus_process(bus_, nullptr);
    if (r < 0) return Failure<std::string>(FromErrno(r, "waiting for the start job"));
    if (r > 0) continue;
    const std::uint64_t now = Now();
    if (now >= deadline) {
      return Failure<std::string>({"org.freedesktop.DBus.Error.Timeout",
                                   "the manager did not finish starting " + std::string(unitName) + " in time"});
    }
    r = sd_bus_wait(bus_, deadline - now);
    if (r < 0 && r != -EINTR) return Failure<std::string>(FromErrno(r, "waiting for the start job"));
  }
  BusResult<std::string> result;
  result.value = ended[job];
  return result;
}

BusResult<std::string> SystemdUserManager::StartTransientScope(std::string_view unitName,
                                                               const std::vector<std::uint32_t>& pids,
                                                               std::string_view description, std::string_view slice,
                                                               std::optional<std::uint64_t> cpuQuotaPerSecUSec) {
  std::vector<UnitProperty> properties{
      {"PIDs", pids},
      {"Description", std::string(description)},
  };
  // A failed scope would otherwise stay loaded and refuse the next start
  // under the same name.
  properties.push_back({"CollectMode", std::string("inactive-or-failed")});
  if (!slice.empty()) properties.push_back({"Slice", std::string(slice)});
  if (cpuQuotaPerSecUSec) properties.push_back({"CPUQuotaPerSecUSec", *cpuQuotaPerSecUSec});
  return StartTransientUnit(unitName, properties);
}

BusStatus SystemdUserManager::StopUnit(std::string_view unitName) {
  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  const int r = sd_bus_call_method(bus_, kService, kManagerPath, kManagerInterface, "StopUnit", e.Get(), &rawReply,
                                   "ss", std::string(unitName).c_str(), "replace");
  Message reply(rawReply);
  if (r < 0) return Failure<BusDone>(FromCall(e, r, "StopUnit"));
  return {};
}

BusStatus SystemdUserManager::ResetFailedUnit(std::string_view unitName) {
  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  const int r = sd_bus_call_method(bus_, kService, kManagerPath, kManagerInterface, "ResetFailedUnit", e.Get(),
                                   &rawReply, "s", std::string(unitName).c_str());
  Message reply(rawReply);
  if (r < 0) return Failure<BusDone>(FromCall(e, r, "ResetFailedUnit"));
  return {};
}

BusResult<std::vector<std::string>> SystemdUserManager::ListUnitNames(std::string_view pattern) {
  sd_bus_message* rawCall = nullptr;
  int r = sd_bus_message_new_method_call(bus_, &rawCall, kService, kManagerPath, kManagerInterface,
                                         "ListUnitsByPatterns");
  Message call(rawCall);
  if (r >= 0) r = sd_bus_message_append(call.get(), "as", 0);
  if (r >= 0) r = sd_bus_message_append(call.get(), "as", 1, std::string(pattern).c_str());
  if (r < 0) return Failure<std::vector<std::string>>(FromErrno(r, "ListUnitsByPatterns"));
  SdBusError e;
  sd_bus_message* rawReply = nullptr;
  r = sd_bus_call(bus_, call.get(), 0, e.Get(), &rawReply);
  Message reply(rawReply);
  if (r < 0) return Failure<std::vector<std::string>>(FromCall(e, r, "ListUnitsByPatterns"));

  BusResult<std::vector<std::string>> result;
  r = sd_bus_message_enter_container(reply.get(), 'a', "(ssssssouso)");
  while (r > 0) {
    const char* name = nullptr;
    const char* text = nullptr;
    const char* path = nullptr;
    std::uint32_t jobId = 0;
    r = sd_bus_message_read(reply.get(), "(ssssssouso)", &name, &text, &text, &text, &text, &text, &path, &jobId,
                            &text, &path);
    if (r > 0) result.value.emplace_back(name);
  }
  if (r < 0) return Failure<std::vector<std::string>>(FromErrno(r, "ListUnitsByPatterns reply"));
  return result;
}

}  // namespace platform::linux_impl
