#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/UnitWeights.h"
#include "platform/linux/limits/SystemdUserManager.h"

namespace platform::linux_impl {

// A unit of the user manager of uid as a process's cgroup v2 path names it:
// "/user.slice/user-1000.slice/user@1000.service/app.slice/app-x.scope/sub"
// gives "app-x.scope" and the path up to it. Nothing for a process outside
// that manager (a login session's scope, another user's manager, the root).
struct UserUnit {
  std::string name;
  std::string controlGroup;
  friend bool operator==(const UserUnit&, const UserUnit&) = default;
};
std::optional<UserUnit> UserUnitOfCgroupPath(std::string_view path, uid_t uid);
// The same from the text of <procRoot>/<pid>/cgroup (its "0::" line).
std::optional<UserUnit> UserUnitOfCgroupFile(std::string_view text, uid_t uid);

// Unit weights through the systemd user manager (SetUnitProperties, runtime
// only). The unit of a process is read from <procRoot>/<pid>/cgroup, the
// weight the kernel applies from cpu.weight in the unit's cgroup under
// cgroupRoot, so what is reported is what the processes get.
class LinuxUnitWeights final : public UnitWeights {
 public:
  // Opens the user's session bus at the first question; null manager: none.
  LinuxUnitWeights();
  // With a given manager (the tests' stand-in) and trees.
  LinuxUnitWeights(std::unique_ptr<SystemdUserManager> manager, std::string procRoot, std::string cgroupRoot,
                   uid_t uid);
  ~LinuxUnitWeights() override;

  // The manager answers and the cpu controller is delegated to it.
  bool Available() override;
  std::optional<std::string> UnitOf(ProcessId pid) override;
  std::optional<std::uint64_t> WeightOf(const std::string& unit) override;
  std::error_code SetWeight(const std::string& unit, std::uint64_t weight) override;
  std::optional<std::uint64_t> AppliedWeight(const std::string& unit) override;

 private:
  SystemdUserManager* Manager();

  bool opened_ = false;
  std::unique_ptr<SystemdUserManager> manager_;
  std::string procRoot_;
  std::string cgroupRoot_;
  uid_t uid_;
  std::optional<bool> controllerDelegated_;
  std::map<std::string, std::string> controlGroups_;  // unit -> its cgroup, as last seen
};

}  // namespace platform::linux_impl
