#pragma once

#include <cstdint>

namespace platform {

// Physical memory as the system reports it, in bytes.
struct MemoryStatus {
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;

  friend bool operator==(const MemoryStatus&, const MemoryStatus&) = default;
};

class MemoryStatusSource {
 public:
  virtual ~MemoryStatusSource() = default;
  // A fresh reading; all zero when the system cannot be read.
  virtual MemoryStatus Read() = 0;
};

}  // namespace platform
