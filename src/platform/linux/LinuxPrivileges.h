#pragma once

#include <memory>

#include "platform/Privileges.h"
#include "platform/linux/PrivHelper.h"

namespace platform::linux_impl {

// The program holds no capability: a Qt program loads code the environment
// names (plugins, styles, platform themes), so a capability in it would be
// anyone's. As root it acts directly; otherwise tarvelo-priv holds
// CAP_SYS_NICE for it, which pkexec and setcap can grant.
class LinuxPrivileges final : public Privileges {
 public:
  explicit LinuxPrivileges(std::shared_ptr<PrivHelper> helper = nullptr) : helper_(std::move(helper)) {}

  // Drops every capability an ordinary user's process holds (one given to the
  // program file by an older set-up). Root keeps its rights.
  void EnableDebugPrivilege() override;

  // pkexec <setcap> cap_sys_nice+ep <helper> when the helper is installed as
  // root's file that only root may change and lacks the capability, and the
  // program does not run as root.
  std::vector<std::string> GrantCommand() const override;
  std::string GrantTarget() const override;

 private:
  std::shared_ptr<PrivHelper> helper_;
};

// The setcap program of the system: /usr/sbin/setcap or /sbin/setcap, else
// the bare name for pkexec to find.
std::string SetcapProgram();

}  // namespace platform::linux_impl
