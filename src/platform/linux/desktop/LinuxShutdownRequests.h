#pragma once

#include "platform/ShutdownRequests.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// SIGTERM, SIGINT and SIGHUP become a byte on a pipe that the event loop
// watches (the classic self-pipe), so the program can end through its own
// exit path instead of being cut off mid-write. Only one instance may exist.
class LinuxShutdownRequests final : public ShutdownRequests {
 public:
  LinuxShutdownRequests();
  ~LinuxShutdownRequests() override;
  LinuxShutdownRequests(const LinuxShutdownRequests&) = delete;
  LinuxShutdownRequests& operator=(const LinuxShutdownRequests&) = delete;

  int NotifyDescriptor() const override { return readEnd_.Get(); }
  void Acknowledge() override;

 private:
  UniqueFd readEnd_;
  UniqueFd writeEnd_;
};

}  // namespace platform::linux_impl
