#include "cpulimit/CpuLimitControl.h"

#include <algorithm>

namespace tarvelo {

using platform::CpuLimitError;

namespace {
platform::ProcessId Id(std::int32_t pid) { return static_cast<platform::ProcessId>(pid); }
}  // namespace

std::vector<std::int32_t> CpuLimitControl::PidsInUse() const {
  std::vector<std::int32_t> pids;
  for (const CpuLimitSlot& slot : slots_.Slots()) {
    if (slot.InUse) pids.push_back(slot.LimitedPid);
  }
  return pids;
}

bool CpuLimitControl::InUse(std::int32_t pid) const {
  const auto pids = PidsInUse();
  return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

void CpuLimitControl::LiftReleased(const std::vector<std::int32_t>& before) {
  for (std::int32_t pid : before) {
    if (!InUse(pid)) limiter_.Lift(Id(pid));
  }
}

CpuLimitError CpuLimitControl::Limit(std::int32_t pid, std::string exePath, std::int32_t percent) {
  if (slots_.Full()) return CpuLimitError::Failed;
  const CpuLimitError error = limiter_.Apply(Id(pid), percent);
  if (error != CpuLimitError::None) {
    // A cap the process may still hold from an earlier slot stays as the table says.
    if (!InUse(pid)) limiter_.Lift(Id(pid));
    return error;
  }
  slots_.Take(pid, std::move(exePath), percent);
  return CpuLimitError::None;
}

CpuLimitError CpuLimitControl::Adjust(std::int32_t pid, std::int32_t percent) {
  const CpuLimitSlot* slot = slots_.FindByPid(pid);
  if (slot == nullptr || !slot->InUse) {
    // Only the table changes: no cap belongs to a slot not in use.
    slots_.Adjust(pid, percent);
    return CpuLimitError::None;
  }
  const CpuLimitError error = limiter_.Apply(Id(pid), percent);
  if (error == CpuLimitError::ProcessGone) {
    Release(pid);
    return error;
  }
  if (error != CpuLimitError::None) return error;
  slots_.Adjust(pid, percent);
  return CpuLimitError::None;
}

void CpuLimitControl::Release(std::int32_t pid) {
  const auto before = PidsInUse();
  slots_.Release(pid);
  LiftReleased(before);
}

void CpuLimitControl::FreeEnded() {
  for (std::int32_t pid : PidsInUse()) {
    if (limiter_.Limits(Id(pid))) continue;
    slots_.FreeEnded(pid);
    limiter_.Lift(Id(pid));
  }
}

std::vector<std::string> CpuLimitControl::Reconcile(const std::vector<std::int32_t>& rowPids) {
  FreeEnded();
  const auto before = PidsInUse();
  std::vector<std::string> texts = slots_.Reconcile(rowPids);
  LiftReleased(before);
  return texts;
}

int CpuLimitControl::Tick() {
  FreeEnded();
  return slots_.CountInUse();
}

void CpuLimitControl::LiftAll() { limiter_.LiftAll(); }

std::string LimitFailureText(CpuLimitError error) {
  const std::string head = "The CPU limit could not be set: ";
  switch (error) {
    case CpuLimitError::None:
      return {};
    case CpuLimitError::Unsupported:
      return head +
             "this system gives Tarvelo no way to limit a process.\n\nLimits work on a desktop with systemd and "
             "control groups version 2, or when Tarvelo runs with administrator rights (as root).";
    case CpuLimitError::NotPermitted:
      return head + "the system did not allow it.\n\nRun Tarvelo with administrator rights to limit this process.";
    case CpuLimitError::OtherUser:
      return head +
             "the process belongs to another user, and Tarvelo can limit only your own processes.\n\nRun Tarvelo "
             "with administrator rights to limit it.";
    case CpuLimitError::ProcessGone:
      return head + "the process has ended.\n\nClick \"Refresh\" to see the running processes.";
    case CpuLimitError::NeedsNewerSystem:
      return head + "CPU limits need Windows 8 or later.";
    case CpuLimitError::Failed:
      break;
  }
  return head + "the system did not take it.\n\nTry again, or run Tarvelo with administrator rights.";
}

std::string LimitUnavailableText(CpuLimitError why) {
  const std::string head = "Limits cannot work here: ";
  switch (why) {
    case CpuLimitError::None: return {};
    case CpuLimitError::NeedsNewerSystem: return head + "they need Windows 8 or later.";
    case CpuLimitError::NotPermitted: return head + "the system does not allow them. Run Tarvelo as administrator.";
    default: break;
  }
  return head + "they need systemd with control groups v2, or Tarvelo run as root.";
}

}  // namespace tarvelo
