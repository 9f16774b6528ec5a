#include "platform/linux/SystemdCpuLimiter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/linux/CgroupCpuLimiter.h"

namespace platform::linux_impl {

namespace {

constexpr const char* kScopePattern = "tarvelo-limit-*.scope";

CpuLimitError FromBus(const BusError& error) {
  const std::string& name = error.name;
  if (name == "org.freedesktop.DBus.Error.AccessDenied" ||
      name == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired" ||
      name == "org.freedesktop.DBus.Error.AuthFailed") {
    return CpuLimitError::NotPermitted;
  }
  if (name == "org.freedesktop.systemd1.NoSuchProcess" ||
      name == "org.freedesktop.DBus.Error.UnixProcessIdUnknown") {
    return CpuLimitError::ProcessGone;
  }
  return CpuLimitError::Failed;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

}  // namespace

SystemdCpuLimiter::SystemdCpuLimiter(std::unique_ptr<SystemdUserManager> manager, Options options)
    : manager_(std::move(manager)), options_(std::move(options)) {
  if (options_.processors == 0) {
    const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    options_.processors = n > 0 ? static_cast<unsigned>(n) : 1;
  }
}

SystemdCpuLimiter::~SystemdCpuLimiter() { LiftAll(); }

bool SystemdCpuLimiter::Usable(SystemdUserManager& manager, const std::string& cgroupRoot,
                               const std::string& procRoot) {
  if (!manager.UnitOfPid(::getpid()).Ok()) return false;
  const auto own = CpuGroupOf(procRoot, static_cast<ProcessId>(::getpid()), CgroupVersion::V2);
  if (!own) return false;
  // The user manager's own group ("…/user@1000.service") must have the cpu
  // controller to hand down.
  std::string prefix;
  std::istringstream parts(*own);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part.empty()) continue;
    prefix += "/" + part;
    if (part.rfind("user@", 0) == 0 && part.size() > 13 && part.ends_with(".service")) {
      const std::string controllers = " " + FirstLine(cgroupRoot + prefix + "/cgroup.controllers") + " ";
      return controllers.find(" cpu ") != std::string::npos;
    }
  }
  return false;
}

std::string SystemdCpuLimiter::ScopeOf(ProcessId pid) const {
  const auto it = limits_.find(pid);
  return it == limits_.end() ? std::string() : it->second.scope;
}

CpuLimitError SystemdCpuLimiter::SetQuota(const std::string& scope, std::uint64_t quota) {
  const BusStatus set = manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", quota}});
  if (!set.Ok()) return FromBus(*set.error);
  // The manager's own answer, not what was asked.
  const auto back = manager_->CpuQuotaPerSecUSec(scope);
  return back.Ok() && back.value == quota ? CpuLimitError::None : CpuLimitError::Failed;
}

CpuLimitError SystemdCpuLimiter::Apply(ProcessId pid, int percent) {
  percent = std::clamp(percent, 1, 100);
  const std::uint64_t quota = static_cast<std::uint64_t>(percent) * options_.processors * 10'000;
  const auto start = ProcessStartTime(options_.procRoot, pid);
  if (const auto it = limits_.find(pid); it != limits_.end()) {
    if (start && *start == it->second.startTime) return SetQuota(it->second.scope, quota);
    Lift(pid);
    return CpuLimitError::ProcessGone;
  }
  if (!start) return CpuLimitError::ProcessGone;
  struct stat st {};
  const std::string dir = options_.procRoot + "/" + std::to_string(pid);
  if (::stat(dir.c_str(), &st) != 0) return CpuLimitError::ProcessGone;
  if (st.st_uid != options_.user) return CpuLimitError::OtherUser;

  const std::string scope = "tarvelo-limit-" + std::to_string(pid) + "-" + std::to_string(*start) + ".scope";
  const auto holder = manager_->UnitOfPid(static_cast<pid_t>(pid));
  CpuLimitError error = CpuLimitError::None;
  if (holder.Ok() && holder.value.name == scope) {
    // Still in its scope from an earlier limit of this run.
    error = SetQuota(scope, quota);
  } else {
    const std::string name = FirstLine(dir + "/comm");
    const auto started = manager_->StartTransientScope(
        scope, {static_cast<std::uint32_t>(pid)}, "Tarvelo CPU limit of " + name + " (" + std::to_string(pid) + ")",
        kSlice, quota);
    if (!started.Ok()) return FromBus(*started.error);
    const auto now = manager_->UnitOfPid(static_cast<pid_t>(pid));
    const auto back = manager_->CpuQuotaPerSecUSec(scope);
    if (!now.Ok() || now.value.name != scope || !back.Ok() || back.value != quota) error = CpuLimitError::Failed;
  }
  if (error != CpuLimitError::None) {
    manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", kUnitInfinity}});
    return error;
  }
  limits_[pid] = {*start, scope};
  return CpuLimitError::None;
}

bool SystemdCpuLimiter::Lift(ProcessId pid) {
  const auto it = limits_.find(pid);
  if (it == limits_.end()) return false;
  const std::string scope = it->second.scope;
  limits_.erase(it);
  // The scope ends by itself with its last process.
  return manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", kUnitInfinity}}).Ok();
}

bool SystemdCpuLimiter::Limits(ProcessId pid) {
  const auto it = limits_.find(pid);
  if (it == limits_.end()) return false;
  const auto start = ProcessStartTime(options_.procRoot, pid);
  return start && *start == it->second.startTime;
}

void SystemdCpuLimiter::LiftAll() {
  while (!limits_.empty()) Lift(limits_.begin()->first);
}

int SystemdCpuLimiter::LiftLeftovers() {
  const auto scopes = manager_->ListUnitNames(kScopePattern);
  if (!scopes.Ok()) return 0;
  int lifted = 0;
  for (const std::string& scope : scopes.value) {
    bool ours = false;
    for (const auto& [pid, limit] : limits_) ours = ours || limit.scope == scope;
    const auto quota = manager_->CpuQuotaPerSecUSec(scope);
    if (ours || !quota.Ok() || quota.value == kUnitInfinity) continue;
    if (manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", kUnitInfinity}}).Ok()) ++lifted;
  }
  return lifted;
}

}  // namespace platform::linux_impl
