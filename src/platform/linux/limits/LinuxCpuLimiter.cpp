#include "platform/linux/limits/LinuxCpuLimiter.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/linux/limits/CgroupCpuLimiter.h"
#include "platform/linux/limits/SystemdCpuLimiter.h"

namespace platform::linux_impl {

std::string CpuLimitRecordDirectory() {
  if (::geteuid() == 0) return "/run/tarvelo-cpu-limits";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/tarvelo-cpu-limits";
  return "/tmp/tarvelo-cpu-limits-" + std::to_string(::geteuid());
}

std::unique_ptr<CpuLimiter> CreateLinuxCpuLimiter() {
  auto bus = SystemdUserManager::OpenUserBus();
  if (bus.Ok()) {
    // A short wait: a session bus without a user manager answers at once.
    bus.value->SetTimeoutMicroseconds(2'000'000);
    if (SystemdCpuLimiter::Usable(*bus.value)) {
      bus.value->SetTimeoutMicroseconds(5'000'000);
      return std::make_unique<SystemdCpuLimiter>(std::move(bus.value), SystemdCpuLimiter::Options{});
    }
  }
  const std::string records = CpuLimitRecordDirectory();
  for (CgroupPlaces places : {CgroupPlaces{CgroupVersion::V2, "/sys/fs/cgroup", "/proc", records, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu", "/proc", records, 0},
                              CgroupPlaces{CgroupVersion::V1, "/sys/fs/cgroup/cpu,cpuacct", "/proc", records, 0}}) {
    if (CgroupCpuLimiter::Usable(places)) return std::make_unique<CgroupCpuLimiter>(std::move(places));
  }
  return std::make_unique<NoCpuLimiter>();
}

}  // namespace platform::linux_impl
