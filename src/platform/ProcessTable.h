#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

using ProcessId = std::uint32_t;

struct ProcessEntry {
  ProcessId pid = 0;
  std::string exeName;  // the executable's file name, as the system reports it
  // The executable's full path where the snapshot read it anyway (Linux);
  // empty when unknown. It is the first of Modules(pid).
  std::string exePath = {};
};

// The running processes and the files they have loaded.
class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  // Every process, in the system's order; empty when none can be read.
  virtual std::vector<ProcessEntry> Snapshot() = 0;
  // The process's modules: its executable first, then every other file it has
  // mapped, each once. Empty when they cannot be read (a kernel thread, a
  // process of another account without the privilege, a process that ended).
  virtual std::vector<std::string> Modules(ProcessId pid) = 0;
};

// Asks the system to take as many pages as it can out of a process's working
// set. True when the system accepted (part of) the trim.
class WorkingSetTrimmer {
 public:
  virtual ~WorkingSetTrimmer() = default;
  virtual bool TrimWorkingSet(ProcessId pid) = 0;
  // The process's resident memory in bytes right now; nothing when it has
  // ended or cannot be read. What a trim released is measured with it.
  virtual std::optional<std::uint64_t> ResidentBytes(ProcessId pid) = 0;
  // Whether a trim can reach other processes than the program's own; without
  // that right the user is told what would give it.
  virtual bool MayTrimOthers() = 0;
  // Whether programs' own (anonymous) memory has anywhere to go: free swap
  // space. Nothing where the system does not say.
  virtual std::optional<bool> SwapFree() { return std::nullopt; }
};

}  // namespace platform
