#pragma once

#include <string>
#include <string_view>

#include "platform/SystemMemory.h"
#include "platform/linux/system/ProcFile.h"

namespace platform::linux_impl {

// The memory figures of the diagram:
// - physical memory from <procRoot>/meminfo: MemTotal and MemAvailable, the
//   load being the used share in whole percent;
// - the page file as the commit figures, as Windows reports it: CommitLimit,
//   and CommitLimit - Committed_AS as available (not below 0);
// - the program's own address space: the address-space limit (RLIMIT_AS, or
//   the user address space of the architecture) less the VmSize of
//   <procRoot>/self/statm.
class LinuxSystemMemory final : public SystemMemorySource {
 public:
  explicit LinuxSystemMemory(std::string procRoot = "/proc");
  std::optional<SystemMemoryStatus> Read() override;

 private:
  ProcFile meminfo_;
  ProcFile statm_;
  std::uint64_t pageSize_;
};

// The physical and commit figures of a meminfo text; nothing without MemTotal.
std::optional<SystemMemoryStatus> ParseSystemMeminfo(std::string_view text);

// The address space size from the first field of a statm text, in bytes.
std::optional<std::uint64_t> ParseStatmSize(std::string_view text, std::uint64_t pageSize);

// The size of the program's address space: its RLIMIT_AS, at most the user
// address space of the architecture.
std::uint64_t AddressSpaceLimit();

}  // namespace platform::linux_impl
