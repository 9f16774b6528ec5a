#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpulimit/CpuLimitSlots.h"
#include "platform/CpuLimiter.h"

namespace tarvelo {

// Puts the limits of the slot table into force. The table stays the one
// record of the limits; after every change the limiter is made to follow it:
// a slot is taken only once its cap is in force, and a cap is lifted as soon
// as no slot in use holds its process.
class CpuLimitControl {
 public:
  // Without a limiter (null) no cap can be set.
  CpuLimitControl(CpuLimitSlots& table, platform::CpuLimiter* limiter)
      : slots_(table), limiter_(limiter != nullptr ? *limiter : none_) {}
  // Whatever way the program ends, no cap outlives it.
  ~CpuLimitControl() { LiftAll(); }
  CpuLimitControl(const CpuLimitControl&) = delete;
  CpuLimitControl& operator=(const CpuLimitControl&) = delete;

  const CpuLimitSlots& Slots() const { return slots_; }

  // "OK": caps the process, then takes the first free slot. When the cap
  // cannot be set no slot is taken and the reason comes back.
  platform::CpuLimitError Limit(std::int32_t pid, std::string exePath, std::int32_t percent);
  // "Adjustment": changes the cap of the pid's limit. A process that has ended
  // loses its slot; any other failure keeps the cap and percent it had.
  platform::CpuLimitError Adjust(std::int32_t pid, std::int32_t percent);
  // "Release".
  void Release(std::int32_t pid);
  // "Refresh": the slots of ended processes are freed first (a pid now used by
  // another process does not keep the limit), then the table is reconciled
  // with the list's rows as before.
  std::vector<std::string> Reconcile(const std::vector<std::int32_t>& rowPids);
  // TimerCPU: frees the slots whose process has ended; the number in use.
  int Tick();
  // The program's end: every cap this run set is lifted.
  void LiftAll();
  // Why no cap can be set here at all; None where caps can work.
  platform::CpuLimitError WhyUnavailable() const { return limiter_.WhyUnavailable(); }
  // The start: the caps an earlier run left behind (a crash) are lifted.
  int LiftLeftovers() { return limiter_.LiftLeftovers(); }

 private:
  bool InUse(std::int32_t pid) const;
  void FreeEnded();
  // Lifts the caps of the pids that no slot in use holds any more.
  void LiftReleased(const std::vector<std::int32_t>& before);
  std::vector<std::int32_t> PidsInUse() const;

  platform::NoCpuLimiter none_;
  CpuLimitSlots& slots_;
  platform::CpuLimiter& limiter_;
};

// The message shown when a cap could not be set: what happened and what
// would make it possible, in plain words. Empty for None.
std::string LimitFailureText(platform::CpuLimitError error);
// The page's notice where no cap can work here at all, short enough for its
// corner: that limits cannot work, and what they need. Empty for None.
std::string LimitUnavailableText(platform::CpuLimitError why);

}  // namespace tarvelo
