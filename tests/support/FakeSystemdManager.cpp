#include "support/FakeSystemdManager.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>

namespace tarvelo::testing {

using platform::linux_impl::UnitProperty;

namespace {

constexpr const char* kUnitPrefix = "/org/freedesktop/systemd1/unit";

// Reads an "a(sv)" of the property types Tarvelo sends.
int ReadProperties(sd_bus_message* m, std::vector<UnitProperty>& out) {
  int r = sd_bus_message_enter_container(m, 'a', "(sv)");
  if (r < 0) return r;
  while ((r = sd_bus_message_enter_container(m, 'r', "sv")) > 0) {
    const char* name = nullptr;
    if ((r = sd_bus_message_read(m, "s", &name)) < 0) return r;
    char type = 0;
    const char* contents = nullptr;
    if ((r = sd_bus_message_peek_type(m, &type, &contents)) < 0) return r;
    UnitProperty property{name, std::uint64_t{0}};
    if ((r = sd_bus_message_enter_container(m, 'v', contents)) < 0) return r;
    if (std::strcmp(contents, "t") == 0) {
      std::uint64_t v = 0;
      r = sd_bus_message_read(m, "t", &v);
      property.value = v;
    } else if (std::strcmp(contents, "s") == 0) {
      const char* v = nullptr;
      r = sd_bus_message_read(m, "s", &v);
      property.value = std::string(v);
    } else if (std::strcmp(contents, "au") == 0) {
      const void* data = nullptr;
      std::size_t size = 0;
      r = sd_bus_message_read_array(m, 'u', &data, &size);
      const auto* pids = static_cast<const std::uint32_t*>(data);
      property.value = std::vector<std::uint32_t>(pids, pids + size / sizeof(std::uint32_t));
    } else {
      r = sd_bus_message_skip(m, contents);
      property.value = std::string("<") + contents + ">";
    }
    if (r < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    if ((r = sd_bus_message_exit_container(m)) < 0) return r;
    out.push_back(std::move(property));
  }
  if (r < 0) return r;
  return sd_bus_message_exit_container(m);
}

void ApplyProperty(FakeUnit& unit, const UnitProperty& p) {
  if (const auto* n = std::get_if<std::uint64_t>(&p.value)) unit.numbers[p.name] = *n;
  if (const auto* s = std::get_if<std::string>(&p.value)) unit.texts[p.name] = *s;
  if (const auto* pids = std::get_if<std::vector<std::uint32_t>>(&p.value)) unit.pids = *pids;
}

}  // namespace

FakeSystemdManager::FakeSystemdManager(const std::string& address) {
  int r = sd_bus_new(&bus_);
  if (r >= 0) r = sd_bus_set_address(bus_, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(bus_, 1);
  if (r >= 0) r = sd_bus_start(bus_);
  const sd_bus_message_handler_t dispatch = [](sd_bus_message* m, void* self, sd_bus_error*) {
    return static_cast<FakeSystemdManager*>(self)->Handle(m);
  };
  if (r >= 0) r = sd_bus_add_fallback(bus_, nullptr, "/org/freedesktop/systemd1", dispatch, this);
  if (r >= 0) r = sd_bus_request_name(bus_, "org.freedesktop.systemd1", 0);
  if (r < 0) {
    error_ = std::string("the stand-in could not take its name on the bus: ") + std::strerror(-r);
    return;
  }
  units_["-.slice"] = FakeUnit{"-.slice", kManagerGroup, "active", {}, {}, {}};
  thread_ = std::thread([this] { Serve(); });
}

FakeSystemdManager::~FakeSystemdManager() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  sd_bus_flush_close_unref(bus_);
}

void FakeSystemdManager::Serve() {
  while (!stop_) {
    const int r = sd_bus_process(bus_, nullptr);
    if (r < 0) break;
    if (r > 0) continue;
    std::vector<std::function<void()>> due;
    auto wait = std::chrono::microseconds(50'000);
    {
      std::lock_guard lock(mutex_);
      const auto now = Clock::now();
      for (auto it = later_.begin(); it != later_.end();) {
        if (it->first <= now) {
          due.push_back(std::move(it->second));
          it = later_.erase(it);
        } else {
          wait = std::min(wait, std::chrono::duration_cast<std::chrono::microseconds>(it->first - now));
          ++it;
        }
      }
    }
    for (auto& work : due) work();
    if (due.empty()) sd_bus_wait(bus_, static_cast<std::uint64_t>(wait.count()) + 1);
  }
}

void FakeSystemdManager::Later(std::function<void()> work) {
  later_.emplace_back(Clock::now() + jobDelay_, std::move(work));
}

void FakeSystemdManager::SetJobDelay(std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  jobDelay_ = delay;
}

void FakeSystemdManager::FailStarts(const std::string& result) {
  std::lock_guard lock(mutex_);
  failStarts_ = result;
}

void FakeSystemdManager::SetCgroupRoot(const std::string& root, bool cpuController) {
  std::lock_guard lock(mutex_);
  cgroupRoot_ = root;
  cpuController_ = cpuController;
}

// Called with the mutex held.
void FakeSystemdManager::WriteCpuMax(const FakeUnit& unit) {
  if (cgroupRoot_.empty() || !cpuController_ || unit.controlGroup.empty()) return;
  const std::string dir = cgroupRoot_ + unit.controlGroup;
  std::filesystem::create_directories(dir);
  const auto quota = unit.numbers.find("CPUQuotaPerSecUSec");
  constexpr std::uint64_t kPeriod = 100'000;
  std::ofstream out(dir + "/cpu.max", std::ios::trunc);
  if (quota == unit.numbers.end() || quota->second == UINT64_MAX) {
    out << "max " << kPeriod << "\n";
  } else {
    out << std::max<std::uint64_t>(quota->second * kPeriod / 1'000'000, 1000) << " " << kPeriod << "\n";
  }
  // The weight too, the kernel's default where the unit sets none. A reader
  // of the kernel's file sees the old value or the new one, never an empty
  // file: written beside it and renamed over it.
  const auto weight = unit.numbers.find("CPUWeight");
  const std::string file = dir + "/cpu.weight";
  std::ofstream(file + ".new", std::ios::trunc)
      << (weight == unit.numbers.end() || weight->second == UINT64_MAX ? 100 : weight->second) << "\n";
  std::filesystem::rename(file + ".new", file);
}

// Runs on the serving thread: the job of a start ends.
void FakeSystemdManager::FinishStart(const std::string& unitName, const std::string& job, std::uint32_t id) {
  std::string result = "done";
  {
    std::lock_guard lock(mutex_);
    const auto it = units_.find(unitName);
    if (it == units_.end()) return;
    FakeUnit& unit = it->second;
    if (!failStarts_.empty()) {
      result = failStarts_;
      unit.pids.clear();
      const auto collect = unit.texts.find("CollectMode");
      if (collect != unit.texts.end() && collect->second == "inactive-or-failed") {
        units_.erase(it);
      } else {
        unit.activeState = "failed";
      }
    } else {
      // The processes leave the units that held them.
      for (auto& [name, other] : units_) {
        if (name == unitName) continue;
        std::erase_if(other.pids, [&](std::uint32_t p) {
          return std::find(unit.pids.begin(), unit.pids.end(), p) != unit.pids.end();
        });
      }
      unit.activeState = "active";
      WriteCpuMax(unit);
    }
  }
  sd_bus_emit_signal(bus_, "/org/freedesktop/systemd1", "org.freedesktop.systemd1.Manager", "JobRemoved", "uoss", id,
                     job.c_str(), unitName.c_str(), result.c_str());
}

void FakeSystemdManager::AddUnit(FakeUnit unit) {
  std::lock_guard lock(mutex_);
  units_[unit.name] = std::move(unit);
}

std::optional<FakeUnit> FakeSystemdManager::Unit(const std::string& name) const {
  std::lock_guard lock(mutex_);
  const auto it = units_.find(name);
  if (it == units_.end()) return std::nullopt;
  return it->second;
}

std::vector<RecordedCall> FakeSystemdManager::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<RecordedCall> FakeSystemdManager::CallsOf(const std::string& method) const {
  std::vector<RecordedCall> result;
  for (RecordedCall& c : Calls()) {
    if (c.method == method) result.push_back(std::move(c));
  }
  return result;
}

void FakeSystemdManager::Refuse(const std::string& method, const std::string& errorName, const std::string& message) {
  std::lock_guard lock(mutex_);
  refusals_[method] = {errorName, message};
}

std::uint64_t FakeSystemdManager::QuotaOf(const std::string& name) const {
  const auto unit = Unit(name);
  if (!unit) return UINT64_MAX;
  const auto it = unit->numbers.find("CPUQuotaPerSecUSec");
  return it == unit->numbers.end() ? UINT64_MAX : it->second;
}

int FakeSystemdManager::Handle(sd_bus_message* m) {
  const char* interface = sd_bus_message_get_interface(m);
  const char* member = sd_bus_message_get_member(m);
  if (!interface || !member) return 0;
  if (std::strcmp(interface, "org.freedesktop.DBus.Properties") == 0 && std::strcmp(member, "Get") == 0) {
    return HandleProperty(m);
  }
  if (std::strcmp(interface, "org.freedesktop.systemd1.Manager") == 0) return HandleManager(m, member);
  return 0;
}

int FakeSystemdManager::HandleManager(sd_bus_message* m, const std::string& member) {
  RecordedCall call{member, "", false, {}};
  int r = 0;
  const char* unitName = nullptr;
  std::uint32_t pid = 0;
  if (member == "GetUnitByPID") {
    r = sd_bus_message_read(m, "u", &pid);
  } else if (member == "SetUnitProperties") {
    int runtime = 0;
    r = sd_bus_message_read(m, "sb", &unitName, &runtime);
    call.runtime = runtime != 0;
    if (r >= 0) r = ReadProperties(m, call.properties);
  } else if (member == "StartTransientUnit") {
    const char* mode = nullptr;
    r = sd_bus_message_read(m, "ss", &unitName, &mode);
    if (r >= 0) r = ReadProperties(m, call.properties);
  } else if (member == "StopUnit") {
    const char* mode = nullptr;
    r = sd_bus_message_read(m, "ss", &unitName, &mode);
  } else if (member == "ResetFailedUnit") {
    r = sd_bus_message_read(m, "s", &unitName);
  } else if (member == "ListUnitsByPatterns") {
    char** states = nullptr;
    char** patterns = nullptr;
    r = sd_bus_message_read_strv(m, &states);
    if (r >= 0) r = sd_bus_message_read_strv(m, &patterns);
    for (char** p = patterns; p && *p; ++p) call.properties.push_back({"pattern", std::string(*p)});
    for (char** p = states; p && *p; ++p) std::free(*p);
    for (char** p = patterns; p && *p; ++p) std::free(*p);
    std::free(states);
    std::free(patterns);
  } else {
    return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.UnknownMethod", "The stand-in knows no %s",
                                      member.c_str());
  }
  if (r < 0) return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.InvalidArgs", "Bad arguments");
  if (unitName) call.unit = unitName;

  std::unique_lock lock(mutex_);
  calls_.push_back(call);
  if (const auto refusal = refusals_.find(member); refusal != refusals_.end()) {
    const auto [name, message] = refusal->second;
    lock.unlock();
    return sd_bus_reply_method_errorf(m, name.c_str(), "%s", message.c_str());
  }

  if (member == "GetUnitByPID") {
    for (const auto& [name, unit] : units_) {
      for (std::uint32_t p : unit.pids) {
        if (p != pid) continue;
        const std::string path = platform::linux_impl::SystemdUserManager::UnitObjectPath(name);
        lock.unlock();
        return sd_bus_reply_method_return(m, "o", path.c_str());
      }
    }
    lock.unlock();
    return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoUnitForPID", "PID %u does not belong to any loaded unit.", pid);
  }
  if (member == "SetUnitProperties") {
    const auto it = units_.find(call.unit);
    if (it == units_.end()) {
      lock.unlock();
      return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not loaded.", unitName);
    }
    for (const UnitProperty& p : call.properties) ApplyProperty(it->second, p);
    // The group follows on a later turn.
    Later([this, name = call.unit] {
      std::lock_guard inner(mutex_);
      if (const auto unit = units_.find(name); unit != units_.end()) WriteCpuMax(unit->second);
    });
    lock.unlock();
    return sd_bus_reply_method_return(m, "");
  }
  if (member == "StartTransientUnit") {
    if (units_.count(call.unit)) {
      lock.unlock();
      return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.UnitExists",
                                        "Unit %s was already loaded or has a fragment file.", unitName);
    }
    FakeUnit unit;
    unit.name = call.unit;
    unit.activeState = "activating";
    for (const UnitProperty& p : call.properties) ApplyProperty(unit, p);
    const auto slice = unit.texts.find("Slice");
    unit.controlGroup =
        std::string(kManagerGroup) + "/" + (slice != unit.texts.end() ? slice->second + "/" : "") + unit.name;
    // The processes move when the job runs, after the answer.
    const std::vector<std::uint32_t> moving = unit.pids;
    unit.pids.clear();
    units_[unit.name] = unit;
    const std::uint32_t id = ++lastJob_;
    const std::string job = "/org/freedesktop/systemd1/job/" + std::to_string(id);
    Later([this, name = unit.name, moving, job, id] {
      {
        std::lock_guard inner(mutex_);
        if (const auto it = units_.find(name); it != units_.end()) it->second.pids = moving;
      }
      FinishStart(name, job, id);
    });
    lock.unlock();
    return sd_bus_reply_method_return(m, "o", job.c_str());
  }
  if (member == "ResetFailedUnit") {
    const auto it = units_.find(call.unit);
    if (it == units_.end()) {
      lock.unlock();
      return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not loaded.", unitName);
    }
    // A failed unit without processes is unloaded on the manager's next turn.
    if (it->second.activeState == "failed") {
      it->second.activeState = "inactive";
      Later([this, name = call.unit] {
        std::lock_guard inner(mutex_);
        if (const auto unit = units_.find(name); unit != units_.end() && unit->second.activeState == "inactive") {
          units_.erase(unit);
        }
      });
    }
    lock.unlock();
    return sd_bus_reply_method_return(m, "");
  }
  if (member == "StopUnit") {
    if (units_.erase(call.unit) == 0) {
      lock.unlock();
      return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not loaded.", unitName);
    }
    lock.unlock();
    return sd_bus_reply_method_return(m, "o", "/org/freedesktop/systemd1/job/2");
  }
  // ListUnitsByPatterns
  std::vector<std::string> names;
  for (const auto& [name, unit] : units_) {
    for (const UnitProperty& p : call.properties) {
      if (fnmatch(std::get<std::string>(p.value).c_str(), name.c_str(), 0) == 0) names.push_back(name);
    }
  }
  lock.unlock();
  sd_bus_message* reply = nullptr;
  r = sd_bus_message_new_method_return(m, &reply);
  if (r >= 0) r = sd_bus_message_open_container(reply, 'a', "(ssssssouso)");
  for (const std::string& name : names) {
    const std::string path = platform::linux_impl::SystemdUserManager::UnitObjectPath(name);
    if (r >= 0) {
      r = sd_bus_message_append(reply, "(ssssssouso)", name.c_str(), "", "loaded", "active", "running", "",
                                path.c_str(), 0u, "", "/");
    }
  }
  if (r >= 0) r = sd_bus_message_close_container(reply);
  if (r >= 0) r = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  return r;
}

int FakeSystemdManager::HandleProperty(sd_bus_message* m) {
  const char* path = sd_bus_message_get_path(m);
  const char* interface = nullptr;
  const char* property = nullptr;
  if (sd_bus_message_read(m, "ss", &interface, &property) < 0) {
    return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.InvalidArgs", "Bad arguments");
  }
  char* decoded = nullptr;
  if (!path || sd_bus_path_decode(path, kUnitPrefix, &decoded) <= 0) {
    return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.UnknownObject", "No such object");
  }
  const std::string name = decoded;
  std::free(decoded);
  std::unique_lock lock(mutex_);
  const auto it = units_.find(name);
  if (it == units_.end()) {
    lock.unlock();
    return sd_bus_reply_method_errorf(m, "org.freedesktop.systemd1.NoSuchUnit", "Unit %s not loaded.", name.c_str());
  }
  const FakeUnit unit = it->second;
  lock.unlock();
  const std::string p = property;
  if (p == "Id") return sd_bus_reply_method_return(m, "v", "s", unit.name.c_str());
  if (p == "ControlGroup") return sd_bus_reply_method_return(m, "v", "s", unit.controlGroup.c_str());
  if (p == "ActiveState") return sd_bus_reply_method_return(m, "v", "s", unit.activeState.c_str());
  if (const auto n = unit.numbers.find(p); n != unit.numbers.end()) {
    return sd_bus_reply_method_return(m, "v", "t", n->second);
  }
  if (p == "CPUWeight" || p == "CPUQuotaPerSecUSec") return sd_bus_reply_method_return(m, "v", "t", UINT64_MAX);
  if (const auto t = unit.texts.find(p); t != unit.texts.end()) {
    return sd_bus_reply_method_return(m, "v", "s", t->second.c_str());
  }
  return sd_bus_reply_method_errorf(m, "org.freedesktop.DBus.Error.UnknownProperty", "Unknown property %s", p.c_str());
}

}  // namespace tarvelo::testing
