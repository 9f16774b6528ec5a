#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"

namespace platform::linux_impl {

namespace {

constexpr std::size_t kMaxMapsBytes = 64 * 1024 * 1024;

}  // namespace

LinuxWorkingSetTrimmer::LinuxWorkingSetTrimmer(std::string procRoot, std::shared_ptr<PrivHelper> helper)
    : root_(std::move(procRoot)), helper_(std::move(helper)) {}

bool LinuxWorkingSetTrimmer::TrimWorkingSet(ProcessId pid) {
  if (!HasEffectiveSysNice() && helper_ && helper_->Usable()) return helper_->PageOut(pid) == 0;
  const UniqueFd pidfd = OpenPidfd(pid);
  if (!pidfd.Valid()) return false;  // ended, or not a process
  // The maps are read after the pidfd is held: the pid cannot be reused meanwhile.
  const std::string dir = ProcessDir(root_, pid);
  const auto maps = ReadProcText(dir + "/maps", kMaxMapsBytes);
  if (!maps || !PidfdAlive(pidfd.Get())) return false;
  return PageOut(pidfd.Get(), *maps) == 0;
}

std::optional<std::uint64_t> LinuxWorkingSetTrimmer::ResidentBytes(ProcessId pid) {
  return linux_impl::ResidentBytes(root_, pid);
}

bool LinuxWorkingSetTrimmer::MayTrimOthers() { return HasEffectiveSysNice() || (helper_ && helper_->Usable()); }

std::optional<bool> LinuxWorkingSetTrimmer::SwapFree() {
  const auto meminfo = ReadProcText(root_ + "/meminfo");
  if (!meminfo) return std::nullopt;
  const auto at = meminfo->find("\nSwapFree:");
  if (at == std::string::npos) return std::nullopt;
  const auto digits = meminfo->find_first_of("0123456789", at);
  if (digits == std::string::npos) return std::nullopt;
  return meminfo->compare(digits, 2, "0 ") != 0;
}

}  // namespace platform::linux_impl
