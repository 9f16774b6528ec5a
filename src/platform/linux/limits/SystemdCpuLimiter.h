#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/CpuLimiter.h"
#include "platform/linux/limits/SystemdUserManager.h"

namespace platform::linux_impl {

// Caps processes through the systemd user manager: each limited process is
// moved into a transient scope of its own under tarvelo.slice, with
// CPUQuotaPerSecUSec as the cap. A change is a runtime SetUnitProperties; a
// lift sets the quota to infinity and leaves the scope to end with its
// process (stopping a scope would end the process). Only the user's own
// processes can be limited this way.
class SystemdCpuLimiter final : public CpuLimiter {
 public:
  struct Options {
    std::string procRoot = "/proc";
    unsigned processors = 0;  // 0: the online processors
    uid_t user = ::geteuid();
    // Where the kernel shows the scopes' groups: what counts is the cpu.max
    // in force there, not the manager's word.
    std::string cgroupRoot = "/sys/fs/cgroup";
  };
  SystemdCpuLimiter(std::unique_ptr<SystemdUserManager> manager, Options options);
  ~SystemdCpuLimiter() override;
  SystemdCpuLimiter(const SystemdCpuLimiter&) = delete;
  SystemdCpuLimiter& operator=(const SystemdCpuLimiter&) = delete;

  // Whether a user manager answers on this bus and the cpu controller is
  // delegated to it (cgroup v2), judged from this process's own group.
  static bool Usable(SystemdUserManager& manager, const std::string& cgroupRoot = "/sys/fs/cgroup",
                     const std::string& procRoot = "/proc");

  bool Available() const override { return true; }
  CpuLimitError Apply(ProcessId pid, int percent) override;
  bool Lift(ProcessId pid) override;
  bool Limits(ProcessId pid) override;
  void LiftAll() override;
  int LiftLeftovers() override;

  // The scope that holds a limited process; empty when none.
  std::string ScopeOf(ProcessId pid) const;
  static constexpr const char* kSlice = "tarvelo.slice";

 private:
  struct Limit {
    std::uint64_t startTime = 0;
    std::string scope;
  };
  CpuLimitError SetQuota(const std::string& scope, std::uint64_t quota);
  CpuLimitError StartScope(ProcessId pid, std::uint64_t startTime, const std::string& scope, std::uint64_t quota);
  // Why the manager could not start the scope of a process.
  CpuLimitError WhyNotStarted(ProcessId pid, std::uint64_t startTime);
  // Whether the kernel applies the quota (µs per second, or kUnitInfinity)
  // to the scope's group; waits a little, as the manager writes it after
  // answering.
  bool QuotaInForce(const std::string& scope, std::uint64_t quota);
  // The same for a group known already ("/user.slice/.../x.scope").
  bool QuotaInForceAt(const std::string& group, std::uint64_t quota) const;

  std::unique_ptr<SystemdUserManager> manager_;
  Options options_;
  std::map<ProcessId, Limit> limits_;
};

}  // namespace platform::linux_impl
