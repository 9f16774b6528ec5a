#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ProcessTable.h"

namespace platform::linux_impl {

// Trims a process's working set: every range of its address space is advised
// MADV_PAGEOUT through process_madvise on a pidfd. Needs CAP_SYS_NICE and the
// right to trace the process; without them the kernel refuses and the process
// is passed over. Without swap only file-backed pages can leave.
class LinuxWorkingSetTrimmer final : public WorkingSetTrimmer {
 public:
  explicit LinuxWorkingSetTrimmer(std::string procRoot = "/proc");
  bool TrimWorkingSet(ProcessId pid) override;

 private:
  std::string root_;
};

struct AddressRange {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
  friend bool operator==(const AddressRange&, const AddressRange&) = default;
};

// The ranges of a maps file's text that can be paged out: all but the
// kernel's special mappings, which refuse the advice.
std::vector<AddressRange> TrimmableRanges(std::string_view maps);

}  // namespace platform::linux_impl
