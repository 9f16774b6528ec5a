#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/limits/SystemdUserManager.h"

struct sd_bus;
struct sd_bus_message;

namespace tarvelo::testing {

// A unit as the stand-in knows it.
struct FakeUnit {
  std::string name;
  std::string controlGroup;
  std::string activeState = "active";
  std::vector<std::uint32_t> pids;
  std::map<std::string, std::uint64_t> numbers;  // CPUWeight, CPUQuotaPerSecUSec, ...
  std::map<std::string, std::string> texts;      // Description, Slice, ...
};

// One method call the stand-in received.
struct RecordedCall {
  std::string method;  // "StartTransientUnit", "SetUnitProperties", ...
  std::string unit;    // the unit named in the call, if any
  bool runtime = false;
  std::vector<platform::linux_impl::UnitProperty> properties;
};

// A stand-in for the systemd user manager: owns org.freedesktop.systemd1 on a
// (private) bus and answers the calls Tarvelo makes, on a thread of its own.
// It keeps units in memory, records every call with its properties, and can be
// told to refuse a method with a given D-Bus error.
//
// Like the real manager it answers StartTransientUnit as soon as the job is
// queued and runs the job later (the processes move, then JobRemoved is
// sent); a start it is told to fail leaves the unit loaded in "failed" state,
// unless the unit asked for CollectMode=inactive-or-failed, until
// ResetFailedUnit. With a cgroup root, it writes each unit's cpu.max there
// after answering, as the manager realizes a group on a later turn.
class FakeSystemdManager {
 public:
  explicit FakeSystemdManager(const std::string& address);
  ~FakeSystemdManager();
  FakeSystemdManager(const FakeSystemdManager&) = delete;
  FakeSystemdManager& operator=(const FakeSystemdManager&) = delete;

  bool Ready() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  void AddUnit(FakeUnit unit);
  std::optional<FakeUnit> Unit(const std::string& name) const;
  std::vector<RecordedCall> Calls() const;
  std::vector<RecordedCall> CallsOf(const std::string& method) const;
  // Every later call of the method fails with this error.
  void Refuse(const std::string& method, const std::string& errorName, const std::string& message);

  // The CPU quota of a unit, in microseconds per second (UINT64_MAX = none).
  std::uint64_t QuotaOf(const std::string& name) const;

  // How long a start job and a group's files wait for (100 ms unless set).
  void SetJobDelay(std::chrono::milliseconds delay);
  // The next starts' jobs end with this result ("failed", ...) and move nothing.
  void FailStarts(const std::string& result);
  // Where the units' groups are written (cpu.max, cpu.weight), as /sys/fs/cgroup; with
  // cpuController false the manager takes quotas and writes no cpu.max, as
  // where the controller is not delegated to it.
  void SetCgroupRoot(const std::string& root, bool cpuController = true);
  // The manager's own group, the ControlGroup of "-.slice".
  static constexpr const char* kManagerGroup = "/user.slice/user@0.service";

 private:
  using Clock = std::chrono::steady_clock;
  // Work the manager does on a later turn, after it has answered.
  void Later(std::function<void()> work);
  void WriteCpuMax(const FakeUnit& unit);
  void FinishStart(const std::string& unitName, const std::string& job, std::uint32_t id);
  int Handle(sd_bus_message* m);
  int HandleManager(sd_bus_message* m, const std::string& member);
  int HandleProperty(sd_bus_message* m);
  void Serve();

  sd_bus* bus_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::string error_;
  mutable std::mutex mutex_;
  std::map<std::string, FakeUnit> units_;
  std::vector<RecordedCall> calls_;
  std::map<std::string, std::pair<std::string, std::string>> refusals_;
  std::chrono::milliseconds jobDelay_{100};
  std::string failStarts_;
  std::string cgroupRoot_;
  bool cpuController_ = true;
  std::uint32_t lastJob_ = 0;
  std::vector<std::pair<Clock::time_point, std::function<void()>>> later_;
};

}  // namespace tarvelo::testing
