#pragma once

#include "platform/DiskSpace.h"

namespace platform::win32_impl {

// Disk space through GetDiskFreeSpaceExA, looked up in kernel32.dll at every
// reading, with GetDiskFreeSpaceA where the system lacks it (the first
// Windows 95). The system directory is GetWindowsDirectoryA's.
class WinDiskSpace final : public DiskSpaceSource {
 public:
  std::optional<DiskSpace> Read(std::string_view path) override;
  std::string SystemDirectory() override;
};

// The space GetDiskFreeSpaceA describes, in 64-bit arithmetic: the counts are
// unsigned 32-bit values whose products pass 4 GiB.
DiskSpace DiskSpaceFromClusters(unsigned long sectorsPerCluster, unsigned long bytesPerSector,
                                unsigned long freeClusters, unsigned long totalClusters);

}  // namespace platform::win32_impl
