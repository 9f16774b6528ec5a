#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "common/Pages.h"
#include "memory/MemoryRelease.h"
#include "memory/ModuleGetMemoryState.h"

namespace platform {
class Privileges;
}

namespace tarvelo {

class CpuLimitControl;
class CpuPageLogic;
class MemoryPageLogic;
class ProcessPageLogic;
class StatusPageLogic;

// What the main window does for its pages, whichever frontend shows them: a
// release by hand and the automatic one, the count of CPU limits, and the
// memory labels of the page in sight.
class PagesLogic {
 public:
  PagesLogic(ProcessPageLogic& process, MemoryPageLogic& memory, StatusPageLogic& status, MemoryReleaser& releaser,
             CpuLimitControl& limits, const platform::Privileges& privileges)
      : process_(process), memory_(memory), status_(status), releaser_(releaser), limits_(limits),
        privileges_(privileges) {}

  // The CPU page once it is built (a window may build it on first showing).
  void SetCpuPage(CpuPageLogic* cpu) { cpu_ = cpu; }

  // "Release memory now": the release, its message shown by `show` (it may
  // offer "Allow…"), the log's row, and the booster's notice read again, as a
  // release needs the same right.
  void ReleaseNow(const std::function<void(const ReleaseMessage&)>& show);
  // A release the timer found due.
  void AutoRelease();
  // TimerMemory: the automatic release when its interval is up.
  void TimerMemoryTick();
  // TimerCPU: the limits of processes that ended are freed; the count of
  // limits in use on the CPU and Status pages.
  void TimerCPUTick();
  // The memory labels of the page in sight, only when their text changes;
  // the other page gets a fresh reading when it shows.
  void ShowMemoryFigures(PageId visible, const MemoryFigures& figures);

 private:
  ProcessPageLogic& process_;
  MemoryPageLogic& memory_;
  StatusPageLogic& status_;
  CpuPageLogic* cpu_ = nullptr;
  MemoryReleaser& releaser_;
  CpuLimitControl& limits_;
  const platform::Privileges& privileges_;
  AutoReleaseClock autoRelease_;
  std::optional<MemoryFigures> memoryPageFigures_;
  std::optional<std::int64_t> statePagePercent_;
};

}  // namespace tarvelo
