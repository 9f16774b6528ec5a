#pragma once

#include <string>

#include "platform/SingleInstance.h"
#include "platform/win32/UniqueHandles.h"

namespace platform::win32_impl {

// One instance per logon session: a named mutex in the session's namespace.
// The system drops it with the last handle, however the process ends, so a
// crashed instance never blocks the next start.
class WinSingleInstance final : public SingleInstance {
 public:
  static constexpr char kDefaultName[] = "Tarvelo.SingleInstance";

  explicit WinSingleInstance(std::string name = kDefaultName);
  bool AnotherInstanceRunning() override;

 private:
  std::string name_;
  UniqueHandle mutex_;
};

}  // namespace platform::win32_impl
