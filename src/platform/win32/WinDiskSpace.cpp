#include "platform/win32/WinDiskSpace.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

DiskSpace DiskSpaceFromClusters(unsigned long sectorsPerCluster, unsigned long bytesPerSector,
                                unsigned long freeClusters, unsigned long totalClusters) {
  const std::uint64_t clusterBytes = std::uint64_t{sectorsPerCluster} * bytesPerSector;
  DiskSpace space;
  space.totalBytes = clusterBytes * totalClusters;
  space.freeBytes = clusterBytes * freeClusters;
  space.availableBytes = space.freeBytes;  // the old call knows no per-user quota
  return space;
}

std::optional<DiskSpace> WinDiskSpace::Read(std::string_view path) {
  const std::string root = Utf8ToAnsi(path);
  if (root.empty()) return std::nullopt;
  using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  FreeSpaceEx freeSpaceEx = nullptr;
  if (const HMODULE kernel32 = ::GetModuleHandleA("kernel32.dll")) {
    freeSpaceEx = reinterpret_cast<FreeSpaceEx>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "GetDiskFreeSpaceExA")));
  }
  if (freeSpaceEx != nullptr) {
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!freeSpaceEx(root.c_str(), &available, &total, &totalFree)) return std::nullopt;
    return DiskSpace{total.QuadPart, totalFree.QuadPart, available.QuadPart};
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  if (!::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return std::nullopt;
  }
  return DiskSpaceFromClusters(sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
}

std::string WinDiskSpace::SystemDirectory() {
  // The call answers the size it needs when the buffer is too small.
  std::string buffer(255, '\0');
  UINT n = ::GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
  if (n >= buffer.size()) {
    buffer.assign(n + 1, '\0');
    n = ::GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n >= buffer.size()) return {};
  }
  return AnsiToUtf8(std::string_view(buffer.data(), n));
}

}  // namespace platform::win32_impl
