#pragma once

#include <string>

#include "platform/ProcessTable.h"

namespace platform::linux_impl {

// Processes from <procRoot>/<pid>: the name is the base name of the "exe"
// link (the "comm" file where the link cannot be read), the modules are the
// executable and then the file-backed mappings of "maps".
class LinuxProcessTable final : public ProcessTable {
 public:
  explicit LinuxProcessTable(std::string procRoot = "/proc");
  std::vector<ProcessEntry> Snapshot() override;
  std::vector<std::string> Modules(ProcessId pid) override;

 private:
  std::string root_;
};

// The file-backed paths of a maps file's text, each once, in order.
std::vector<std::string> MappedFiles(std::string_view maps);

}  // namespace platform::linux_impl
