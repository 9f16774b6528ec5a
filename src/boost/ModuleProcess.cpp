#include "boost/ModuleProcess.h"

namespace tarvelo {

std::uint32_t ModuleProcess::SetProcessPriority(platform::ProcessId pid, platform::WindowHandle window,
                                                std::uint32_t priorityClass) {
  if (pid == 0) {
    pid = window != 0 ? windows_.OwnerProcess(window) : priorities_.CurrentProcessId();
    // Never fall back to this program for a window that has no owner any more.
    if (pid == 0) return 0;
  }
  // A process that cannot be changed (another user's, without the right) is
  // still read back, as far as it can be read.
  priorities_.SetClass(pid, static_cast<platform::PriorityClass>(priorityClass));
  const auto readBack = priorities_.ClassOf(pid);
  return readBack ? static_cast<std::uint32_t>(*readBack) : 0;
}

}  // namespace tarvelo
