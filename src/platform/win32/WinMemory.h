#pragma once

#include "platform/MemoryStatus.h"
#include "platform/SystemMemory.h"

namespace platform::win32_impl {

// Both memory readings come from GlobalMemoryStatusEx: its 64-bit fields count
// memory beyond 2 GiB and beyond 4 GiB, where GlobalMemoryStatus caps (or, on
// old systems, wraps) its figures.
class WinMemoryStatus final : public MemoryStatusSource {
 public:
  MemoryStatus Read() override;
};

// Physical memory, the page file (the commit limit) and the program's own
// address space.
class WinSystemMemory final : public SystemMemorySource {
 public:
  std::optional<SystemMemoryStatus> Read() override;
};

}  // namespace platform::win32_impl
