#pragma once

#include <cstdint>
#include <optional>
#include <system_error>

#include "platform/ForegroundWindow.h"

namespace platform {

// Priority classes of a whole process, with the values Windows gives them.
enum class PriorityClass : std::uint32_t {
  Idle = 0x40,
  BelowNormal = 0x4000,
  Normal = 0x20,
  AboveNormal = 0x8000,
  High = 0x80,
};

class ProcessPriorities {
 public:
  virtual ~ProcessPriorities() = default;

  virtual ProcessId CurrentProcessId() const = 0;

  // Gives every thread of the process the class. Fails with
  // std::errc::no_such_process when it is gone, with permission_denied or
  // operation_not_permitted without the right, with invalid_argument for a
  // value that is no class.
  virtual std::error_code SetClass(ProcessId pid, PriorityClass priorityClass) = 0;

  // The process's class, or nothing when it cannot be read.
  virtual std::optional<PriorityClass> ClassOf(ProcessId pid) const = 0;

  // Whether this program may raise a process of its own user to the class.
  // Without that right every raise fails, and the user should be told why.
  virtual bool MayRaiseTo(PriorityClass priorityClass) const = 0;

  // Carries out what the system made the last changes wait for (on Linux a
  // rate-limited autogroup change). Meant to be called at every booster tick;
  // costs nothing when nothing waits.
  virtual void CompleteDeferredChanges() {}
};

}  // namespace platform
