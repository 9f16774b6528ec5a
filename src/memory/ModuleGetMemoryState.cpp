#include "memory/ModuleGetMemoryState.h"

#include "common/ModulePublicFunction.h"

namespace tarvelo {

std::int64_t BytesToMB(std::uint64_t bytes) {
  return static_cast<std::int64_t>(bytes / 1024 / 1024);
}

MemoryFigures ComputeMemoryFigures(const platform::MemoryStatus& status) {
  MemoryFigures f;
  f.totalMB = BytesToMB(status.totalPhys);
  f.freeMB = BytesToMB(status.availPhys);
  f.usedMB = f.totalMB - f.freeMB;
  if (f.totalMB > 0) {
    const double percent = static_cast<double>(f.usedMB) / static_cast<double>(f.totalMB) * 100.0;
    f.usedPercent = static_cast<std::int64_t>(ModulePublicFunction::RoundHalfEven(percent));
  }
  return f;
}

std::string MegabytesText(std::int64_t megabytes) { return std::to_string(megabytes) + " MB"; }

std::string PercentText(std::int64_t percent) { return std::to_string(percent) + "%"; }

const MemoryFigures& ModuleGetMemoryState::ShowMemoryState() {
  figures_ = ComputeMemoryFigures(source_.Read());
  return figures_;
}

std::int64_t ModuleGetMemoryState::GetUsedMemoryMB() const {
  return ComputeMemoryFigures(source_.Read()).usedMB;
}

}  // namespace tarvelo
