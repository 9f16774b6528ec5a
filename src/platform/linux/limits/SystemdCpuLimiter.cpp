#include "platform/linux/limits/SystemdCpuLimiter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>

#include "platform/linux/limits/CgroupCpuLimiter.h"
#include "platform/linux/processes/ProcessControl.h"

namespace platform::linux_impl {

namespace {

constexpr const char* kScopePattern = "tarvelo-limit-*.scope";

constexpr const char* kUnitExists = "org.freedesktop.systemd1.UnitExists";
constexpr const char* kNoSuchUnit = "org.freedesktop.systemd1.NoSuchUnit";

CpuLimitError FromBus(const BusError& error) {
  const std::string& name = error.name;
  if (name == "org.freedesktop.DBus.Error.AccessDenied" || name == "System.Error.EPERM" ||
      name == "System.Error.EACCES" ||
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

// The quota per period of a cpu.max line ("40000 100000", "max 100000");
// kUnitInfinity for "max".
std::optional<std::pair<std::uint64_t, std::uint64_t>> ParseCpuMax(const std::string& text) {
  std::istringstream in(text);
  std::string quota;
  std::uint64_t period = 0;
  if (!(in >> quota >> period) || period == 0) return std::nullopt;
  if (quota == "max") return std::pair{kUnitInfinity, period};
  try {
    std::size_t used = 0;
    const std::uint64_t value = std::stoull(quota, &used);
    if (used != quota.size()) return std::nullopt;
    return std::pair{value, period};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Whether a cpu.max line is the manager's rendering of a quota in µs per
// second: quota × period / 1 s, at least 1 ms per period.
bool CpuMaxMatches(const std::string& text, std::uint64_t quotaPerSecond) {
  const auto cpuMax = ParseCpuMax(text);
  if (!cpuMax) return false;
  const auto [quota, period] = *cpuMax;
  if (quotaPerSecond == kUnitInfinity) return quota == kUnitInfinity;
  if (quota == kUnitInfinity) return false;
  const std::uint64_t expected = std::max<std::uint64_t>(quotaPerSecond * period / 1'000'000, 1'000);
  return quota + 1 >= expected && quota <= expected + 1;
}

// The deepest group that holds both paths ("/a/b" and "/a/c" give "/a").
std::string CommonGroup(const std::string& a, const std::string& b) {
  std::string common;
  std::istringstream left(a);
  std::istringstream right(b);
  std::string l;
  std::string r;
  while (std::getline(left, l, '/') && std::getline(right, r, '/') && l == r) {
    if (!l.empty()) common += "/" + l;
  }
  return common;
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

bool SystemdCpuLimiter::QuotaInForce(const std::string& scope, std::uint64_t quota) {
  const auto group = manager_->ControlGroup(scope);
  return group.Ok() && QuotaInForceAt(group.value, quota);
}

bool SystemdCpuLimiter::QuotaInForceAt(const std::string& group, std::uint64_t quota) const {
  if (group.empty()) return false;
  const std::string path = options_.cgroupRoot + group + "/cpu.max";
  // The manager writes the group's files after its answer, on its next turn.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  for (;;) {
    const auto text = ReadProcText(path);
    if (text && CpuMaxMatches(*text, quota)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

CpuLimitError SystemdCpuLimiter::SetQuota(const std::string& scope, std::uint64_t quota) {
  const BusStatus set = manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", quota}});
  if (!set.Ok()) return FromBus(*set.error);
  return QuotaInForce(scope, quota) ? CpuLimitError::None : CpuLimitError::Failed;
}

CpuLimitError SystemdCpuLimiter::WhyNotStarted(ProcessId pid, std::uint64_t startTime) {
  const auto start = ProcessStartTime(options_.procRoot, pid);
  if (!start || *start != startTime) return CpuLimitError::ProcessGone;
  // The manager moves the process with the user's rights: the kernel asks
  // for write access to cgroup.procs of the group that holds both the
  // process's group and the manager's own.
  const auto from = CpuGroupOf(options_.procRoot, pid, CgroupVersion::V2);
  const auto managerGroup = manager_->ControlGroup("-.slice");
  if (!from || !managerGroup.Ok() || managerGroup.value.empty()) return CpuLimitError::Failed;
  struct stat st {};
  const std::string procs = options_.cgroupRoot + CommonGroup(*from, managerGroup.value) + "/cgroup.procs";
  if (::stat(procs.c_str(), &st) != 0) return CpuLimitError::Failed;
  const bool writable = (st.st_mode & S_IWOTH) != 0 || (st.st_uid == options_.user && (st.st_mode & S_IWUSR) != 0);
  return writable ? CpuLimitError::Failed : CpuLimitError::NotPermitted;
}

CpuLimitError SystemdCpuLimiter::StartScope(ProcessId pid, std::uint64_t startTime, const std::string& scope,
                                            std::uint64_t quota) {
  const std::string name = FirstLine(options_.procRoot + "/" + std::to_string(pid) + "/comm");
  const auto start = [&] {
    return manager_->StartTransientScope(scope, {static_cast<std::uint32_t>(pid)},
                                         "Tarvelo CPU limit of " + name + " (" + std::to_string(pid) + ")", kSlice,
                                         quota);
  };
  auto started = start();
  if (!started.Ok() && started.error->name == kUnitExists) {
    // A failed scope of this name is still loaded (left by an older run):
    // clear it, wait until the manager has unloaded it, and start afresh.
    manager_->ResetFailedUnit(scope);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (manager_->ActiveState(scope).Ok() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    started = start();
  }
  if (!started.Ok()) return FromBus(*started.error);
  if (started.value != "done") {
    // Nothing stays behind in the failed state (the scope is also unloaded
    // by its collect mode).
    manager_->ResetFailedUnit(scope);
    return WhyNotStarted(pid, startTime);
  }
  const auto holder = manager_->UnitOfPid(static_cast<pid_t>(pid));
  if (!holder.Ok() || holder.value.name != scope) return CpuLimitError::Failed;
  // The manager moves what the pid names when the job runs: the process
  // checked before must be the one in the scope now.
  const auto now = ProcessStartTime(options_.procRoot, pid);
  if (!now || *now != startTime) return CpuLimitError::ProcessGone;
  return QuotaInForceAt(holder.value.controlGroup, quota) ? CpuLimitError::None : CpuLimitError::Failed;
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
  // Still in its scope from an earlier limit, or a scope of its own now.
  const CpuLimitError error = holder.Ok() && holder.value.name == scope ? SetQuota(scope, quota)
                                                                         : StartScope(pid, *start, scope, quota);
  if (error != CpuLimitError::None) {
    // No quota stays on a process the user was told is not limited.
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
  // The scope ends by itself with its last process; when it has ended, so
  // has its quota.
  const BusStatus set = manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", kUnitInfinity}});
  if (!set.Ok()) return set.error->name == kNoSuchUnit;
  return QuotaInForce(scope, kUnitInfinity);
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
    if (manager_->SetUnitProperties(scope, true, {{"CPUQuotaPerSecUSec", kUnitInfinity}}).Ok() &&
        QuotaInForce(scope, kUnitInfinity)) {
      ++lifted;
    }
  }
  return lifted;
}

}  // namespace platform::linux_impl
