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
  // Tarvelo's grant program); empty when nothing can be granted from here:
  // the right is there already, or granting it would not reach what the
  // program uses, or would give it to something others can change.
  virtual std::vector<std::string> GrantCommand() const { return {}; }
  // What an administrator can run by hand to give the right (on Linux setcap
  // on the installed helper); empty where there is no such command.
  virtual std::string ByHandCommand() const { return {}; }
  // Whether what the program acts through has the right now: the read-back
  // after a grant.
  virtual bool Granted() const { return false; }
};

}  // namespace platform
