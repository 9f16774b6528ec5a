#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "platform/ProcessPriority.h"
#include "platform/linux/helper/PrivHelper.h"
#include "platform/linux/processes/ProcessControl.h"

namespace platform::linux_impl {

// Priority classes as nice values of every thread and the autogroup (see
// ProcessControl.h). The program never holds a capability itself: as root it
// acts directly; otherwise, where the change needs CAP_SYS_NICE and
// tarvelo-priv holds it, the helper makes it for the user's own processes;
// otherwise only what an ordinary process may do (an RLIMIT_NICE allowance).
class LinuxProcessPriorities final : public ProcessPriorities {
 public:
  explicit LinuxProcessPriorities(std::string procRoot = "/proc", std::shared_ptr<PrivHelper> helper = nullptr);

  ProcessId CurrentProcessId() const override;
  std::error_code SetClass(ProcessId pid, PriorityClass priorityClass) override;
  // The class of the main thread's nice.
  std::optional<PriorityClass> ClassOf(ProcessId pid) const override;
  // True with CAP_SYS_NICE in effect, an RLIMIT_NICE allowance down to the
  // class's nice, or a helper that holds the capability (Normal, Above Normal
  // and High only).
  bool MayRaiseTo(PriorityClass priorityClass) const override;
  // Without CAP_SYS_ADMIN the kernel takes one autogroup change per 100 ms
  // from the whole system and refuses the others (EAGAIN). A boost makes two
  // in a row (the previous process back to Normal, the new one raised), so a
  // refused change waits here for the next tick.
  void CompleteDeferredChanges() override;

  // Autogroup changes waiting for the next tick, by autogroup name.
  std::size_t DeferredChanges() const { return deferred_.size(); }

 private:
  struct Deferred {
    ProcessId pid;
    int nice;
    bool viaHelper;
  };
  // Whether the nice is within what this process may set by itself.
  bool MaySetDirectly(int nice) const;
  bool HelperCanSet(int nice) const;
  void SetAutogroupNice(ProcessId pid, int nice);
  void Defer(ProcessId pid, int nice, bool viaHelper);

  std::string procRoot_;
  std::shared_ptr<PrivHelper> helper_;
  std::map<std::string, Deferred> deferred_;
};

}  // namespace platform::linux_impl
