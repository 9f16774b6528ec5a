#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/ProcessPriority.h"

namespace platform::linux_impl {

// Nice is per thread on Linux, so a class is given to every thread of a
// process. Where autogroup scheduling is on, nice only ranks threads inside
// one autogroup (roughly, one session), so the process's autogroup gets the
// same nice as well.
//
// Classes map to nice values Idle 19, Below Normal 5, Normal 0, Above Normal
// -5, High -10, and back by ranges: -10 and below High, -9 to -1 Above Normal,
// 0 Normal, 1 to 9 Below Normal, 10 and above Idle.
std::optional<int> NiceOf(PriorityClass priorityClass);
PriorityClass ClassOfNice(int nice);

// The threads of a process: the numeric entries of <procRoot>/<pid>/task.
// Fails with no_such_process when the process is gone.
struct ThreadList {
  std::error_code error;
  std::vector<int> tids;
};
ThreadList ThreadsOf(const std::string& procRoot, ProcessId pid);

// A process's autogroup as <procRoot>/<pid>/autogroup names it, e.g.
// "/autogroup-13 nice -5".
struct Autogroup {
  std::string name;
  int nice = 0;
};
std::optional<Autogroup> ParseAutogroup(std::string_view text);
std::optional<Autogroup> ReadAutogroup(const std::string& procRoot, ProcessId pid);

// Whether <procRoot>/sys/kernel/sched_autogroup_enabled is on.
bool AutogroupEnabled(const std::string& procRoot);

class LinuxProcessPriorities final : public ProcessPriorities {
 public:
  explicit LinuxProcessPriorities(std::string procRoot = "/proc");

  ProcessId CurrentProcessId() const override;
  std::error_code SetClass(ProcessId pid, PriorityClass priorityClass) override;
  // The class of the main thread's nice.
  std::optional<PriorityClass> ClassOf(ProcessId pid) const override;
  // True with CAP_SYS_NICE in effect, or an RLIMIT_NICE allowance down to the
  // class's nice.
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
  };
  void SetAutogroupNice(ProcessId pid, int nice);
  // 0 or the errno of writing the nice.
  int WriteAutogroupNice(ProcessId pid, int nice) const;

  std::string procRoot_;
  std::map<std::string, Deferred> deferred_;
};

}  // namespace platform::linux_impl
