#pragma once

#include "platform/Privileges.h"

namespace platform::win32_impl {

// Enables "SeDebugPrivilege" in the process token, where the account holds
// it, so that other accounts' processes can be opened.
class WinPrivileges final : public Privileges {
 public:
  void EnableDebugPrivilege() override;
};

}  // namespace platform::win32_impl
