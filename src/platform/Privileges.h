#pragma once

namespace platform {

class Privileges {
 public:
  virtual ~Privileges() = default;
  // Turns on the right to act on other users' processes where the account
  // holds it. Every failure is ignored.
  virtual void EnableDebugPrivilege() = 0;
};

}  // namespace platform
