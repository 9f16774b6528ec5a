#include "platform/linux/system/LinuxSystemMemory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "common/ModulePublicFunction.h"
#include "platform/linux/system/LinuxMemoryStatus.h"

namespace platform::linux_impl {

namespace {

// The user part of the virtual address space, as the kernel sets it up for a
// process of this architecture.
constexpr std::uint64_t UserAddressSpace() {
#if defined(__x86_64__)
  return std::uint64_t{1} << 47;  // 128 TiB with four-level page tables
#elif defined(__aarch64__)
  return std::uint64_t{1} << 48;
#elif UINTPTR_MAX > 0xFFFFFFFFu
  return std::uint64_t{1} << 47;
#else
  return std::uint64_t{3} << 30;  // the 3 GiB split of 32-bit kernels
#endif
}

}  // namespace

std::optional<SystemMemoryStatus> ParseSystemMeminfo(std::string_view text) {
  const auto total = MeminfoBytes(text, "MemTotal");
  if (!total) return std::nullopt;
  SystemMemoryStatus status;
  status.totalPhys = *total;
  // Kernels before 3.14 have no MemAvailable; free memory is the next best.
  status.availPhys = std::min(*total, MeminfoBytes(text, "MemAvailable").value_or(MeminfoBytes(text, "MemFree").value_or(0)));
  if (status.totalPhys > 0) {
    const double used = static_cast<double>(status.totalPhys - status.availPhys);
    status.memoryLoad = static_cast<std::uint32_t>(
        tarvelo::ModulePublicFunction::RoundHalfEven(used / static_cast<double>(status.totalPhys) * 100.0));
  }
  status.totalPageFile = MeminfoBytes(text, "CommitLimit").value_or(0);
  const std::uint64_t committed = MeminfoBytes(text, "Committed_AS").value_or(0);
  status.availPageFile = status.totalPageFile > committed ? status.totalPageFile - committed : 0;
  return status;
}

std::optional<std::uint64_t> ParseStatmSize(std::string_view text, std::uint64_t pageSize) {
  std::uint64_t pages = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), pages);
  if (ec != std::errc()) return std::nullopt;
  return pages * pageSize;
}

std::uint64_t AddressSpaceLimit() {
  std::uint64_t limit = UserAddressSpace();
  rlimit rl{};
  if (::getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY) {
    limit = std::min<std::uint64_t>(limit, rl.rlim_cur);
  }
  return limit;
}

LinuxSystemMemory::LinuxSystemMemory(std::string procRoot)
    : meminfo_(procRoot + "/meminfo"),
      statm_(procRoot + "/self/statm"),
      pageSize_(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))) {}

std::optional<SystemMemoryStatus> LinuxSystemMemory::Read() {
  // CommitLimit and Committed_AS lie about a third into the file.
  char buffer[8192];
  const auto n = meminfo_.ReadInto(buffer, sizeof buffer);
  if (!n) return std::nullopt;
  auto status = ParseSystemMeminfo(std::string_view(buffer, *n));
  if (!status) return std::nullopt;

  char statm[128];
  const auto m = statm_.ReadInto(statm, sizeof statm);
  const auto size = m ? ParseStatmSize(std::string_view(statm, *m), pageSize_) : std::nullopt;
  if (!size) return std::nullopt;
  status->totalVirtual = AddressSpaceLimit();
  status->availVirtual = status->totalVirtual > *size ? status->totalVirtual - *size : 0;
  return status;
}

}  // namespace platform::linux_impl
