#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The system's memory as the diagram shows it, in bytes: physical memory, the
// commit figures (the page file) and the program's own address space.
struct SystemMemoryStatus {
  std::uint32_t memoryLoad = 0;  // physical memory in use, percent
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;
  std::uint64_t totalPageFile = 0;
  std::uint64_t availPageFile = 0;
  std::uint64_t totalVirtual = 0;
  std::uint64_t availVirtual = 0;

  friend bool operator==(const SystemMemoryStatus&, const SystemMemoryStatus&) = default;
};

// A fuller and dearer reading than MemoryStatusSource; meant for a sample a
// second, not for the 20 ms memory figures.
class SystemMemorySource {
 public:
  virtual ~SystemMemorySource() = default;
  // A fresh reading; nothing when the system cannot be read.
  virtual std::optional<SystemMemoryStatus> Read() = 0;
};

}  // namespace platform
