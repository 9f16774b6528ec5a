#pragma once

#include <memory>
#include <string>

#include "platform/ProcessTable.h"
#include "platform/linux/helper/PrivHelper.h"
#include "platform/linux/processes/ProcessControl.h"

namespace platform::linux_impl {

// Trims a process's working set: every range of its address space is advised
// MADV_PAGEOUT through process_madvise on a pidfd. That needs CAP_SYS_NICE and
// the right to read the process's memory: as root the program does it
// directly; otherwise tarvelo-priv does it for the user's own processes where
// it holds the capability; otherwise the kernel refuses (a recent kernel lets
// a process page out itself). Without swap only file-backed pages can leave.
class LinuxWorkingSetTrimmer final : public WorkingSetTrimmer {
 public:
  explicit LinuxWorkingSetTrimmer(std::string procRoot = "/proc", std::shared_ptr<PrivHelper> helper = nullptr);
  bool TrimWorkingSet(ProcessId pid) override;
  std::optional<std::uint64_t> ResidentBytes(ProcessId pid) override;
  bool MayTrimOthers() override;
  // SwapFree in <procRoot>/meminfo above 0.
  std::optional<bool> SwapFree() override;

 private:
  std::string root_;
  std::shared_ptr<PrivHelper> helper_;
};

}  // namespace platform::linux_impl
