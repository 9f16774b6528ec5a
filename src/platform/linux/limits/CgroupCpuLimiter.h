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
  // The name of the parent of the limiter's groups, at the top of the hierarchy.
  std::string groupName = "tarvelo";
};

// Caps processes with the kernel's CPU bandwidth control, directly in the
// control-group hierarchy: a group per limited process under a "tarvelo"
// parent (CgroupPlaces::groupName), with cpu.max (v2) or cpu.cfs_quota_us /
// cpu.cfs_period_us (v1).
// The process is moved in through cgroup.procs (its later children follow it),
// and on lifting every process of the group goes back to the group the
// limited process came from, and the group is removed. Where that group has
// gone, they go to its nearest ancestor that still exists, never higher, so
// that the caps an administrator set above it still hold; where cgroup v2
// lets that group hold no processes (its children have controllers), into a
// group "tarvelo-lifted" made inside it. A process that cannot be put back
// there stays in its group under its cap, and the lift is tried again later.
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
  // A limit whose process could not be put back stays, for a later Lift or
  // the next start.
  bool Lift(ProcessId pid) override;
  bool Limits(ProcessId pid) override;
  void LiftAll() override;
  int LiftLeftovers() override;

  // The directory of the group that holds a limited process; empty when none.
  std::string GroupOf(ProcessId pid) const;
  std::string ParentGroup() const { return places_.hierarchy + "/" + places_.groupName; }

  static constexpr std::uint64_t kPeriodUsec = 100'000;

 private:
  struct Limit {
    std::uint64_t startTime = 0;
    std::string group;   // directory name under the parent
    std::string origin;  // the process's group before, relative to the hierarchy
  };

  CpuLimitError SetQuota(const std::string& groupDir, int percent);
  // Where a process now in group (relative to the hierarchy) came from: that
  // group, or for one of the limiter's groups (a child of a limited process),
  // where that group's process came from; nothing when no record says.
  std::optional<std::string> OriginOf(const std::string& group) const;
  // The directory a process whose group was origin goes back to: origin, else
  // its nearest ancestor that exists; never one of the limiter's groups.
  std::string ReturnGroup(const std::string& origin) const;
  // Moves a process into groupDir, or where groupDir takes no processes, into
  // a group of its own inside. False when the process is still where it was.
  bool MoveBack(ProcessId pid, const std::string& groupDir);
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
