#pragma once

#include <string>
#include <vector>

namespace platform {

class Privileges {
 public:
  virtual ~Privileges() = default;
  // Turns on the right to act on other users' processes where the account
  // holds it. Every failure is ignored.
  virtual void EnableDebugPrivilege() = 0;

  // The command line that asks an administrator for the right to raise
  // priorities and release memory, and grants it (on Linux pkexec running
  // setcap on tarvelo-priv); empty when there is nothing the user could grant:
  // the right is there already, or there is nothing to give it to.
  virtual std::vector<std::string> GrantCommand() const { return {}; }
  // Where the right would be given (the helper's path), for telling the user
  // how to give it by hand; empty when there is no such place.
  virtual std::string GrantTarget() const { return {}; }
};

}  // namespace platform
