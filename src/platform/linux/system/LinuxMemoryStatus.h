#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/MemoryStatus.h"
#include "platform/linux/system/ProcFile.h"

namespace platform::linux_impl {

// Physical memory from <procRoot>/meminfo: MemTotal, and MemAvailable as the
// free figure (it counts reclaimable page cache as free, as users expect). The
// file stays open and is re-read from its start, so a reading costs one
// system call.
class LinuxMemoryStatus final : public MemoryStatusSource {
 public:
  explicit LinuxMemoryStatus(std::string procRoot = "/proc");
  MemoryStatus Read() override;

 private:
  ProcFile file_;
};

// Parses the text of a meminfo file; zeros for what it does not hold.
MemoryStatus ParseMeminfo(std::string_view text);

// The value in bytes of the "name:  <n> kB" line of a meminfo text.
std::optional<std::uint64_t> MeminfoBytes(std::string_view text, std::string_view name);

}  // namespace platform::linux_impl
