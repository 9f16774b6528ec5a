#pragma once

#include <string>

#include "platform/MemoryStatus.h"
#include "platform/linux/UniqueFd.h"

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
  std::string path_;
  UniqueFd fd_;
};

// Parses the text of a meminfo file; zeros for what it does not hold.
MemoryStatus ParseMeminfo(std::string_view text);

}  // namespace platform::linux_impl
