#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ProcessTable.h"

namespace tarvelo {

// One row of the CPU page's process list.
struct ProcessRow {
  int id = 0;                 // position in the list, from 1
  platform::ProcessId pid = 0;
  std::string name;           // the executable name as the system gives it
  std::string path;           // lower-case executable path, for the icon
  std::string iconKey;        // "P" and the row count after adding the row, plus one

  friend bool operator==(const ProcessRow&, const ProcessRow&) = default;
};

// The lower-case path of the process's first module whose path contains its
// executable name (both compared in upper case, without surrounding spaces);
// "" when none does or the modules cannot be read. Case is changed for ASCII
// letters only, so that other UTF-8 characters stay intact.
std::string GetProcessPath(platform::ProcessTable& processes, platform::ProcessId pid, std::string_view name);

// The rows of a fresh snapshot: only processes whose path is found are
// listed, numbered 1, 2, 3, ... without gaps.
std::vector<ProcessRow> LoadProcessList(platform::ProcessTable& processes);

}  // namespace tarvelo
