#pragma once

#include "platform/ProcessTable.h"

namespace platform {

// Why a CPU limit could not be set.
enum class CpuLimitError {
  None,
  Unsupported,       // this system offers no way to limit a process
  NotPermitted,      // the system refused (rights)
  OtherUser,         // the process belongs to another user and only the user's own can be limited
  ProcessGone,       // the process has ended (or its pid now names another process)
  NeedsNewerSystem,  // the system is too old for hard CPU caps (Windows before 8)
  Failed,            // anything else: the cap did not read back as set
};

// Caps the CPU use of single processes so that the cap takes effect. A limit
// belongs to the process it was set on, not to its pid: the backend records
// the process's identity and never limits a later process with the same pid.
// Every limit is lifted by Lift, LiftAll or, after a crash, LiftLeftovers at
// the next start; the limited process is never stopped or signalled.
class CpuLimiter {
 public:
  virtual ~CpuLimiter() = default;
  // Whether limits can work here at all.
  virtual bool Available() const = 0;
  // Why they cannot, known before any is tried; None while they can.
  virtual CpuLimitError WhyUnavailable() const { return Available() ? CpuLimitError::None : CpuLimitError::Unsupported; }
  // Sets or changes the cap of a process to `percent` (1..100) of the whole
  // machine, all processors together. Children the process starts from then
  // on share the cap.
  virtual CpuLimitError Apply(ProcessId pid, int percent) = 0;
  // Lifts the cap of the process; true when it had one and it is gone now.
  virtual bool Lift(ProcessId pid) = 0;
  // True while the process limited under this pid still runs.
  virtual bool Limits(ProcessId pid) = 0;
  // Lifts every cap set by this run.
  virtual void LiftAll() = 0;
  // Lifts the caps an earlier run left behind (after a crash); their number.
  virtual int LiftLeftovers() = 0;
};

// A system without any way to cap a process.
class NoCpuLimiter final : public CpuLimiter {
 public:
  explicit NoCpuLimiter(CpuLimitError why = CpuLimitError::Unsupported) : why_(why) {}
  bool Available() const override { return false; }
  CpuLimitError WhyUnavailable() const override { return why_; }
  CpuLimitError Apply(ProcessId, int) override { return why_; }
  bool Lift(ProcessId) override { return false; }
  bool Limits(ProcessId) override { return false; }
  void LiftAll() override {}
  int LiftLeftovers() override { return 0; }

 private:
  CpuLimitError why_;
};

}  // namespace platform
