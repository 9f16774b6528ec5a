#include "platform/linux/limits/LinuxUnitWeights.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <thread>

#include "platform/linux/processes/ProcessControl.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

std::optional<UserUnit> UserUnitOfCgroupPath(std::string_view path, uid_t uid) {
  const std::string manager = "user@" + std::to_string(uid) + ".service";
  std::string prefix;
  bool underManager = false;
  while (!path.empty()) {
    if (path.front() == '/') {
      path.remove_prefix(1);
      continue;
    }
    const std::size_t slash = path.find('/');
    const std::string_view component = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    prefix += "/";
    prefix += component;
    if (!underManager) {
      underManager = component == manager;
      continue;
    }
    // Slices only group units; the first other component is the unit.
    if (!EndsWith(component, ".slice")) return UserUnit{std::string(component), prefix};
  }
  return std::nullopt;
}

std::optional<UserUnit> UserUnitOfCgroupFile(std::string_view text, uid_t uid) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.substr(0, 3) == "0::") return UserUnitOfCgroupPath(line.substr(3), uid);
  }
  return std::nullopt;
}

LinuxUnitWeights::LinuxUnitWeights() : procRoot_("/proc"), cgroupRoot_("/sys/fs/cgroup"), uid_(::getuid()) {}

LinuxUnitWeights::LinuxUnitWeights(std::unique_ptr<SystemdUserManager> manager, std::string procRoot,
                                   std::string cgroupRoot, uid_t uid)
    : opened_(true), manager_(std::move(manager)), procRoot_(std::move(procRoot)),
      cgroupRoot_(std::move(cgroupRoot)), uid_(uid) {}

LinuxUnitWeights::~LinuxUnitWeights() = default;

SystemdUserManager* LinuxUnitWeights::Manager() {
  if (!opened_) {
    // Asked once: a session without a user manager keeps none.
    opened_ = true;
    auto bus = SystemdUserManager::OpenUserBus();
    if (bus.Ok()) {
      manager_ = std::move(bus.value);
      manager_->SetTimeoutMicroseconds(1'000'000);  // the booster runs on the GUI thread
    }
  }
  return manager_.get();
}

bool LinuxUnitWeights::Available() {
  if (!controllerDelegated_) {
    // The manager's own cgroup must offer the cpu controller to its units.
    const std::string u = std::to_string(uid_);
    const auto controllers =
        ReadProcText(cgroupRoot_ + "/user.slice/user-" + u + ".slice/user@" + u + ".service/cgroup.controllers");
    bool cpu = false;
    if (controllers) {
      std::string_view rest = *controllers;
      while (!rest.empty() && !cpu) {
        const std::size_t end = rest.find_first_of(" \n");
        cpu = rest.substr(0, end) == "cpu";
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      }
    }
    controllerDelegated_ = cpu;
  }
  return *controllerDelegated_ && Manager() != nullptr;
}

std::optional<std::string> LinuxUnitWeights::UnitOf(ProcessId pid) {
  if (pid == 0 || pid > static_cast<ProcessId>(INT_MAX)) return std::nullopt;
  const auto text = ReadProcText(procRoot_ + "/" + std::to_string(pid) + "/cgroup");
  if (!text) return std::nullopt;
  auto unit = UserUnitOfCgroupFile(*text, uid_);
  if (!unit) return std::nullopt;
  if (controlGroups_.size() > 256) controlGroups_.clear();  // units come and go
  controlGroups_[unit->name] = unit->controlGroup;
  return unit->name;
}

std::optional<std::uint64_t> LinuxUnitWeights::WeightOf(const std::string& unit) {
  SystemdUserManager* manager = Manager();
  if (manager == nullptr) return std::nullopt;
  const auto weight = manager->CpuWeight(unit);
  if (!weight.Ok()) return std::nullopt;
  return weight.value;
}

std::error_code LinuxUnitWeights::SetWeight(const std::string& unit, std::uint64_t weight) {
  SystemdUserManager* manager = Manager();
  if (manager == nullptr) return std::make_error_code(std::errc::not_connected);
  const auto done = manager->SetUnitProperties(unit, true, {{"CPUWeight", weight}});
  if (done.Ok()) return {};
  const std::string& name = done.error->name;
  if (name == "org.freedesktop.systemd1.NoSuchUnit" || name == "org.freedesktop.DBus.Error.UnknownObject") {
    return std::make_error_code(std::errc::no_such_process);
  }
  if (name == "org.freedesktop.DBus.Error.AccessDenied" || name == "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired") {
    return std::make_error_code(std::errc::permission_denied);
  }
  return std::make_error_code(std::errc::io_error);
}

std::optional<std::uint64_t> LinuxUnitWeights::AppliedWeight(const std::string& unit) {
  const auto group = controlGroups_.find(unit);
  SystemdUserManager* manager = Manager();
  if (group == controlGroups_.end() || manager == nullptr) return std::nullopt;
  const auto wanted = manager->CpuWeight(unit);
  if (!wanted.Ok()) return std::nullopt;
  const std::string file = cgroupRoot_ + group->second + "/cpu.weight";
  const auto read = [&file]() -> std::optional<std::uint64_t> {
    const auto text = ReadProcText(file);
    if (!text) return std::nullopt;  // no cpu controller: no weight applies
    std::uint64_t weight = 0;
    const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), weight);
    if (ec != std::errc() || end == text->data()) return std::nullopt;
    return weight;
  };
  // The manager writes the group from a queue of its own after it has
  // answered the change, and answers other calls before that: until then the
  // kernel holds the old weight. Its own value is read until the kernel has
  // it, for at most a second; a unit without a weight of its own is read once.
  std::optional<std::uint64_t> weight = read();
  if (wanted.value == kUnset) return weight;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (weight && *weight != wanted.value && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    weight = read();
  }
  return weight;
}

}  // namespace platform::linux_impl
