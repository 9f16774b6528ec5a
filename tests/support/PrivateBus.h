#pragma once

#include <sys/types.h>

#include <string>

#include "support/TempDir.h"

namespace tarvelo::testing {

// A dbus-daemon of the test's own, with its own configuration, listening on a
// socket in a fresh directory. Stopped and removed when the object goes.
class PrivateBus {
 public:
  PrivateBus();
  ~PrivateBus();
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Started() const { return error_.empty(); }
  // Why the daemon did not start.
  const std::string& Error() const { return error_; }
  // "unix:path=..."
  const std::string& Address() const { return address_; }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  std::string address_;
  std::string error_;
};

}  // namespace tarvelo::testing
