#pragma once

#include "platform/Privileges.h"

namespace platform::linux_impl {

// Raises CAP_SYS_NICE (priorities of other processes) and CAP_SYS_PTRACE
// (their memory maps) from the permitted into the effective set where the
// process holds them, e.g. as root or with file capabilities.
class LinuxPrivileges final : public Privileges {
 public:
  void EnableDebugPrivilege() override;
};

}  // namespace platform::linux_impl
