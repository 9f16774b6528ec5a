#pragma once

#include <cstdint>
#include <string>

#include "platform/MemoryStatus.h"

namespace tarvelo {

// Physical memory in whole megabytes (1,048,576 bytes, truncated) and the used
// share in percent. 64-bit, so machines of any size show their real memory.
struct MemoryFigures {
  std::int64_t totalMB = 0;
  std::int64_t usedMB = 0;
  std::int64_t freeMB = 0;
  std::int64_t usedPercent = 0;

  friend bool operator==(const MemoryFigures&, const MemoryFigures&) = default;
};

// Bytes to megabytes by two truncating divisions by 1024.
std::int64_t BytesToMB(std::uint64_t bytes);

// used = total MB - free MB, each converted on its own, so that used + free is
// always the total; percent = used / total * 100 in double precision, rounded
// half to even. A total below 1 MB gives 0 %.
MemoryFigures ComputeMemoryFigures(const platform::MemoryStatus& status);

// "1024 MB", "50%": the texts of the memory labels.
std::string MegabytesText(std::int64_t megabytes);
std::string PercentText(std::int64_t percent);

// The memory figures of the program's pages. ShowMemoryState runs 50 times a
// second, so it is one platform reading and a few integer operations.
class ModuleGetMemoryState {
 public:
  explicit ModuleGetMemoryState(platform::MemoryStatusSource& source) : source_(source) {}

  // Takes a fresh reading into the module state and returns the figures.
  const MemoryFigures& ShowMemoryState();

  // Used memory in MB from a reading of its own; the module state stays as it is.
  std::int64_t GetUsedMemoryMB() const;

  const MemoryFigures& Figures() const { return figures_; }

 private:
  platform::MemoryStatusSource& source_;
  MemoryFigures figures_;
};

}  // namespace tarvelo
