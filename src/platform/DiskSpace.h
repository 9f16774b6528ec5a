#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The file system holding a path, in bytes.
struct DiskSpace {
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;       // free in all
  std::uint64_t availableBytes = 0;  // free for the current user

  friend bool operator==(const DiskSpace&, const DiskSpace&) = default;
};

class DiskSpaceSource {
 public:
  virtual ~DiskSpaceSource() = default;
  // The space of the file system holding path, a drive root such as "C:\" or
  // a path of the system; nothing when there is no such file system.
  virtual std::optional<DiskSpace> Read(std::string_view path) = 0;
  // The directory of the operating system; its first three characters name
  // the default drive to watch.
  virtual std::string SystemDirectory() = 0;
};

}  // namespace platform
