#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvelo {

// One recorded CPU limit. A freed slot keeps its other fields until it is
// taken again.
struct CpuLimitSlot {
  bool InUse = false;
  std::int32_t LimitedPid = 0;
  std::int32_t LimitPercent = 0;
  std::string ExePath;
};

// The three CPU limits of the program: recorded and shown, never saved. Every
// search runs from the first slot to the third and stops at the first match.
// This table is the one place the limits live.
class CpuLimitSlots {
 public:
  static constexpr int kSlotCount = 3;

  const std::array<CpuLimitSlot, kSlotCount>& Slots() const { return slots_; }
  int CountInUse() const;
  bool Full() const { return CountInUse() == kSlotCount; }

  // "OK": takes the first free slot. False when none is free.
  bool Take(std::int32_t pid, std::string exePath, std::int32_t percent);
  // The first slot recorded for this pid, in use or not.
  const CpuLimitSlot* FindByPid(std::int32_t pid) const;
  // "Adjustment" and "Release" act on the first slot recorded for the pid.
  void Adjust(std::int32_t pid, std::int32_t percent);
  void Release(std::int32_t pid);
  // Frees every slot in use for the pid: its process has ended.
  void FreeEnded(std::int32_t pid);

  // After a fresh process list: the limit text ("40%" or "") of each row,
  // given the rows' pids; the slots whose process is no longer listed are
  // freed.
  std::vector<std::string> Reconcile(const std::vector<std::int32_t>& rowPids);

 private:
  CpuLimitSlot* MutableByPid(std::int32_t pid);

  std::array<CpuLimitSlot, kSlotCount> slots_{};
};

// "40%": the text of a limit in the list.
std::string LimitText(std::int32_t percent);

// What opening the limit dialog for a row means.
struct LimitDialogPlan {
  enum class Mode { NewLimit, ChangeLimit, Refused };
  Mode mode = Mode::NewLimit;
  int sliderStart = 99;
};

// A row whose limit column is empty asks for a new limit (refused when all
// slots are taken); otherwise the limit recorded for its pid is changed.
LimitDialogPlan PlanLimitDialog(const CpuLimitSlots& slots, std::int32_t pid, bool rowHasLimit);

}  // namespace tarvelo
