#pragma once

#include <string>

#include "platform/SingleInstance.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// One instance per user: an exclusive lock on a file in the user's runtime
// directory. The kernel drops the lock when the process ends, however it
// ends, so a crashed instance never blocks the next start.
class LinuxSingleInstance final : public SingleInstance {
 public:
  // lockPath "" chooses $XDG_RUNTIME_DIR/tarvelo.lock, else a per-user file in
  // the temporary directory.
  explicit LinuxSingleInstance(std::string lockPath = "");
  bool AnotherInstanceRunning() override;

 private:
  std::string lockPath_;
  UniqueFd lock_;
};

}  // namespace platform::linux_impl
