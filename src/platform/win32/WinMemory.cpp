#include "platform/win32/WinMemory.h"

#include "platform/win32/Win32Api.h"

namespace platform::win32_impl {

namespace {

std::optional<MEMORYSTATUSEX> ReadStatus() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return std::nullopt;
  return status;
}

}  // namespace

MemoryStatus WinMemoryStatus::Read() {
  const auto status = ReadStatus();
  if (!status) return {};
  return {status->ullTotalPhys, status->ullAvailPhys};
}

std::optional<SystemMemoryStatus> WinSystemMemory::Read() {
  const auto status = ReadStatus();
  if (!status) return std::nullopt;
  SystemMemoryStatus s;
  s.memoryLoad = status->dwMemoryLoad;
  s.totalPhys = status->ullTotalPhys;
  s.availPhys = status->ullAvailPhys;
  s.totalPageFile = status->ullTotalPageFile;
  s.availPageFile = status->ullAvailPageFile;
  s.totalVirtual = status->ullTotalVirtual;
  s.availVirtual = status->ullAvailVirtual;
  return s;
}

}  // namespace platform::win32_impl
