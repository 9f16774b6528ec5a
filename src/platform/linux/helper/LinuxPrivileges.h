#pragma once

#include <memory>
#include <string>

#include "platform/Privileges.h"
#include "platform/linux/helper/PrivHelper.h"

namespace platform::linux_impl {

// Where "Allow…" acts: the helper that gets the capability and the program
// that pkexec runs as root to give it. Both are the installed ones, fixed
// when Tarvelo is built, never derived from where the program runs.
struct GrantPaths {
  std::string helper;
  std::string grantProgram;
};
GrantPaths InstalledGrantPaths();

// The program holds no capability: a Qt program loads code the environment
// names (plugins, styles, platform themes), so a capability in it would be
// anyone's. As root it acts directly; otherwise tarvelo-priv holds
// CAP_SYS_NICE for it, which an administrator grants through pkexec and
// tarvelo-grant, or with setcap.
class LinuxPrivileges final : public Privileges {
 public:
  // helper: the one the program acts through (beside the program).
  explicit LinuxPrivileges(std::shared_ptr<PrivHelper> helper = nullptr, GrantPaths paths = InstalledGrantPaths())
      : helper_(std::move(helper)), paths_(std::move(paths)) {}

  // Drops every capability an ordinary user's process holds (one given to the
  // program file by an older set-up). Root keeps its rights.
  void EnableDebugPrivilege() override;

  // pkexec <grant program>, offered only when the program does not run as
  // root, the installed helper lacks the capability, only root can change
  // the installed helper and grant program (no link, every folder root's),
  // and the helper the program acts through is that installed file.
  std::vector<std::string> GrantCommand() const override;
  // setcap cap_sys_nice+ep <installed helper>.
  std::string ByHandCommand() const override;
  bool Granted() const override;

 private:
  std::shared_ptr<PrivHelper> helper_;
  GrantPaths paths_;
};

}  // namespace platform::linux_impl
