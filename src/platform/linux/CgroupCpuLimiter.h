#pragma once

#include <cerrno>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/CpuLimiter.h"

namespace platform::linux_impl {

enum class CgroupVersion { V1, V2 };

struct CgroupPlaces {
  CgroupVersion version = CgroupVersion::V1;
  // The hierarchy that holds the cpu controller: "/sys/fs/cgroup/cpu" (v1)
  // or "/sys/fs/cgroup" (v2).
  std::string hierarchy;
  std::string procRoot = "/proc";
  // Where the group each limited process came from is kept, one file per
  // group, so that a later run can move it back after a crash.
  std::string stateDirectory;
  // The processors a percent of the whole machine is counted over; 0 for the
  // online processors.
  unsigned processors = 0;
};

// Caps processes with the kernel's CPU bandwidth control, directly in the
// control-group hierarchy: a group per limited process under a "tarvelo"
// parent, with cpu.max (v2) or cpu.cfs_quota_us / cpu.cfs_period_us (v1).
// The process is moved in through cgroup.procs (its later children follow it),
// and on lifting the quota is switched off, every process of the group goes
// back to the group the limited process came from, and the group is removed.
// Only groups under the "tarvelo" parent are ever changed or removed; they
// are also the record of what an earlier run left.
class CgroupCpuLimiter final : public CpuLimiter {
 public:
  explicit CgroupCpuLimiter(CgroupPlaces places);
  ~CgroupCpuLimiter() override;
  CgroupCpuLimiter(const CgroupCpuLimiter&) = delete;
  CgroupCpuLimiter& operator=(const CgroupCpuLimiter&) = delete;

  // Whether the hierarchy has the cpu controller and this program may write it.
  static bool Usable(const CgroupPlaces& places);

  bool Available() const override { return Usable(places_); }
  CpuLimitError Apply(ProcessId pid, int percent) override;
  bool Lift(ProcessId pid) override;
  bool Limits(ProcessId pid) override;
  void LiftAll() override;
  int LiftLeftovers() override;

  // The directory of the group that holds a limited process; empty when none.
  std::string GroupOf(ProcessId pid) const;
  std::string ParentGroup() const { return places_.hierarchy + "/tarvelo"; }

  static constexpr std::uint64_t kPeriodUsec = 100'000;

 private:
  struct Limit {
    std::uint64_t startTime = 0;
    std::string group;   // directory name under the parent
    std::string origin;  // the process's group before, relative to the hierarchy
  };

  CpuLimitError SetQuota(const std::string& groupDir, int percent);
  void SwitchQuotaOff(const std::string& groupDir);
  // Moves every process of the group back to origin and removes the group and
  // its record. True when the group is gone.
  bool Dissolve(const std::string& group, const std::string& origin);
  void RemoveParentIfEmpty();
  std::string StateFile(const std::string& group) const { return places_.stateDirectory + "/" + group; }

  CgroupPlaces places_;
  std::map<ProcessId, Limit> limits_;
};

// The start time of a process (field 22 of /proc/<pid>/stat, in clock ticks
// since boot): with the pid, the process's identity.
std::optional<std::uint64_t> ProcessStartTime(const std::string& procRoot, ProcessId pid);
// The group of a process in the hierarchy of the cpu controller
// ("/user.slice/..."), read from /proc/<pid>/cgroup.
std::optional<std::string> CpuGroupOf(const std::string& procRoot, ProcessId pid, CgroupVersion version);

}  // namespace platform::linux_impl
