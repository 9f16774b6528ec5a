#include "platform/linux/processes/LinuxProcessPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace platform::linux_impl {

namespace {

std::error_code Errno(int error) { return {error, std::generic_category()}; }

}  // namespace

LinuxProcessPriorities::LinuxProcessPriorities(std::string procRoot, std::shared_ptr<PrivHelper> helper)
    : procRoot_(std::move(procRoot)), helper_(std::move(helper)) {}

ProcessId LinuxProcessPriorities::CurrentProcessId() const { return static_cast<ProcessId>(::getpid()); }

bool LinuxProcessPriorities::MaySetDirectly(int nice) const {
  if (HasEffectiveSysNice()) return true;
  // RLIMIT_NICE r allows nice values down to 20 - r.
  rlimit limit{};
  if (::getrlimit(RLIMIT_NICE, &limit) != 0) return false;
  if (limit.rlim_cur == RLIM_INFINITY) return true;
  return static_cast<long long>(nice) >= 20 - static_cast<long long>(limit.rlim_cur);
}

bool LinuxProcessPriorities::HelperCanSet(int nice) const {
  return helper_ && (nice == 0 || nice == -5 || nice == -10) && helper_->Usable();
}

std::error_code LinuxProcessPriorities::SetClass(ProcessId pid, PriorityClass priorityClass) {
  const std::optional<int> nice = NiceOf(priorityClass);
  if (!nice) return Errno(EINVAL);
  const std::string dir = ProcessDir(procRoot_, pid);
  if (dir.empty()) return Errno(ESRCH);

  if (!MaySetDirectly(*nice) && HelperCanSet(*nice)) {
    const int result = helper_->SetNice(pid, *nice);
    if (result == priv::kAgain) {
      Defer(pid, *nice, true);
      return {};
    }
    if (result == 0) {
      if (const auto group = ReadAutogroup(procRoot_, pid)) deferred_.erase(group->name);
      return {};
    }
    return Errno(result);
  }

  if (const std::error_code failure = SetThreadsNice(dir, *nice)) return failure;
  if (AutogroupEnabled(procRoot_)) SetAutogroupNice(pid, *nice);
  return {};
}

std::optional<PriorityClass> LinuxProcessPriorities::ClassOf(ProcessId pid) const {
  if (ProcessDir(procRoot_, pid).empty()) return std::nullopt;
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid));
  if (nice == -1 && errno != 0) return std::nullopt;
  return ClassOfNice(nice);
}

bool LinuxProcessPriorities::MayRaiseTo(PriorityClass priorityClass) const {
  const std::optional<int> nice = NiceOf(priorityClass);
  if (!nice) return false;
  return MaySetDirectly(*nice) || HelperCanSet(*nice);
}

void LinuxProcessPriorities::Defer(ProcessId pid, int nice, bool viaHelper) {
  if (const auto group = ReadAutogroup(procRoot_, pid)) deferred_[group->name] = Deferred{pid, nice, viaHelper};
}

void LinuxProcessPriorities::SetAutogroupNice(ProcessId pid, int nice) {
  const std::optional<Autogroup> group = ReadAutogroup(procRoot_, pid);
  if (!group) return;
  if (group->nice == nice) {
    deferred_.erase(group->name);  // already as the latest change wants it
    return;
  }
  if (WriteAutogroupNice(ProcessDir(procRoot_, pid), nice) == EAGAIN) {
    deferred_[group->name] = Deferred{pid, nice, false};
  } else {
    deferred_.erase(group->name);  // done, or refused for good: passed over like any failure
  }
}

void LinuxProcessPriorities::CompleteDeferredChanges() {
  for (auto it = deferred_.begin(); it != deferred_.end();) {
    const std::optional<Autogroup> group = ReadAutogroup(procRoot_, it->second.pid);
    // The process may have ended or left the group meanwhile.
    if (!group || group->name != it->first || group->nice == it->second.nice) {
      it = deferred_.erase(it);
      continue;
    }
    const int result = it->second.viaHelper && helper_
                           ? helper_->SetNice(it->second.pid, it->second.nice)
                           : WriteAutogroupNice(ProcessDir(procRoot_, it->second.pid), it->second.nice);
    if (result == EAGAIN || result == priv::kAgain) return;  // the next tick tries again
    it = deferred_.erase(it);
  }
}

}  // namespace platform::linux_impl
