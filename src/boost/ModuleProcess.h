#pragma once

#include <cstdint>

#include "platform/ForegroundWindow.h"
#include "platform/ProcessPriority.h"

namespace tarvelo {

// Priority changes of whole processes.
class ModuleProcess {
 public:
  ModuleProcess(platform::ForegroundWindow& windows, platform::ProcessPriorities& priorities)
      : windows_(windows), priorities_(priorities) {}

  // Gives a process the priority class (a value of platform::PriorityClass)
  // and returns the class read back from it, 0 when it cannot be read. The
  // process is pid; when pid is 0, the owner of window; when window is 0 as
  // well, this program itself. A window whose owner cannot be found (it has
  // gone) changes nothing and yields 0. Failures are passed over.
  std::uint32_t SetProcessPriority(platform::ProcessId pid, platform::WindowHandle window,
                                   std::uint32_t priorityClass);

 private:
  platform::ForegroundWindow& windows_;
  platform::ProcessPriorities& priorities_;
};

}  // namespace tarvelo
