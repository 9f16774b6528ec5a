#include "platform/linux/system/LinuxDiskSpace.h"

#include <sys/statvfs.h>

#include <cerrno>

namespace platform::linux_impl {

std::optional<std::string> MapDrivePath(std::string_view path, const std::string& rootDirectory) {
  const bool driveRoot = (path.size() == 2 || (path.size() == 3 && (path[2] == '\\' || path[2] == '/'))) &&
                         path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (driveRoot) {
    if (path[0] == 'C' || path[0] == 'c') return rootDirectory;
    return std::nullopt;
  }
  if (!path.empty() && path[0] == '/' && path.find('\0') == std::string_view::npos) return std::string(path);
  return std::nullopt;
}

LinuxDiskSpace::LinuxDiskSpace(std::string rootDirectory) : root_(std::move(rootDirectory)) {}

std::optional<DiskSpace> LinuxDiskSpace::Read(std::string_view path) {
  const auto target = MapDrivePath(path, root_);
  if (!target) return std::nullopt;
  struct statvfs fs {};
  int result;
  do {
    result = ::statvfs(target->c_str(), &fs);
  } while (result != 0 && errno == EINTR);
  if (result != 0) return std::nullopt;
  const std::uint64_t unit = fs.f_frsize != 0 ? fs.f_frsize : fs.f_bsize;
  return DiskSpace{static_cast<std::uint64_t>(fs.f_blocks) * unit, static_cast<std::uint64_t>(fs.f_bfree) * unit,
                   static_cast<std::uint64_t>(fs.f_bavail) * unit};
}

}  // namespace platform::linux_impl
