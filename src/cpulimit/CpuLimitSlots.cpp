#include "cpulimit/CpuLimitSlots.h"

#include <algorithm>

namespace tarvelo {

int CpuLimitSlots::CountInUse() const {
  return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const CpuLimitSlot& s) { return s.InUse; }));
}

bool CpuLimitSlots::Take(std::int32_t pid, std::string exePath, std::int32_t percent) {
  for (CpuLimitSlot& slot : slots_) {
    if (slot.InUse) continue;
    slot = {true, pid, percent, std::move(exePath)};
    return true;
  }
  return false;
}

const CpuLimitSlot* CpuLimitSlots::FindByPid(std::int32_t pid) const {
  for (const CpuLimitSlot& slot : slots_) {
    if (slot.LimitedPid == pid) return &slot;
  }
  return nullptr;
}

CpuLimitSlot* CpuLimitSlots::MutableByPid(std::int32_t pid) { return const_cast<CpuLimitSlot*>(FindByPid(pid)); }

void CpuLimitSlots::Adjust(std::int32_t pid, std::int32_t percent) {
  if (CpuLimitSlot* slot = MutableByPid(pid)) slot->LimitPercent = percent;
}

void CpuLimitSlots::Release(std::int32_t pid) {
  if (CpuLimitSlot* slot = MutableByPid(pid)) slot->InUse = false;
}

void CpuLimitSlots::FreeEnded(std::int32_t pid) {
  for (CpuLimitSlot& slot : slots_) {
    if (slot.LimitedPid == pid) slot.InUse = false;
  }
}

std::vector<std::string> CpuLimitSlots::Reconcile(const std::vector<std::int32_t>& rowPids) {
  std::vector<std::string> texts(rowPids.size());
  for (CpuLimitSlot& slot : slots_) {
    if (!slot.InUse) continue;
    bool listed = false;
    for (std::size_t row = 0; row < rowPids.size(); ++row) {
      if (rowPids[row] != slot.LimitedPid) continue;
      texts[row] = LimitText(slot.LimitPercent);
      listed = true;
    }
    if (!listed) slot.InUse = false;
  }
  return texts;
}

std::string LimitText(std::int32_t percent) { return std::to_string(percent) + "%"; }

LimitDialogPlan PlanLimitDialog(const CpuLimitSlots& slots, std::int32_t pid, bool rowHasLimit) {
  LimitDialogPlan plan;
  if (rowHasLimit) {
    plan.mode = LimitDialogPlan::Mode::ChangeLimit;
    if (const CpuLimitSlot* slot = slots.FindByPid(pid)) plan.sliderStart = slot->LimitPercent;
    return plan;
  }
  if (slots.Full()) plan.mode = LimitDialogPlan::Mode::Refused;
  return plan;
}

}  // namespace tarvelo
