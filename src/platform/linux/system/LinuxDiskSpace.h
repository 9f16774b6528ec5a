#pragma once

#include <string>
#include <string_view>

#include "platform/DiskSpace.h"

namespace platform::linux_impl {

// Disk space through statvfs. A drive root "C:\" (or "C:") stands for the
// root file system, the other drive letters for nothing; an absolute path is
// used as it is; anything else (a relative path, a lone letter) names no file
// system. The system directory is "/".
class LinuxDiskSpace final : public DiskSpaceSource {
 public:
  // rootDirectory is what "C:\" stands for.
  explicit LinuxDiskSpace(std::string rootDirectory = "/");
  std::optional<DiskSpace> Read(std::string_view path) override;
  std::string SystemDirectory() override { return "/"; }

 private:
  std::string root_;
};

// The path statvfs is asked about for a drive path, or nothing.
std::optional<std::string> MapDrivePath(std::string_view path, const std::string& rootDirectory);

}  // namespace platform::linux_impl
