#include "app/PagesLogic.h"

#include "app/StatusPageLogic.h"
#include "boost/ProcessPageLogic.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuPageLogic.h"
#include "memory/MemoryPageLogic.h"
#include "platform/Privileges.h"

namespace tarvelo {

void PagesLogic::ReleaseNow(const std::function<void(const ReleaseMessage&)>& show) {
  const ReleaseResult released = releaser_.Release();
  show(ReleaseMessageOf(released, !privileges_.GrantCommand().empty(), privileges_.ByHandCommand()));
  memory_.AppendReleaseLog(released.releasedMB);
  process_.UpdateBoostNotice();
}

void PagesLogic::AutoRelease() {
  memory_.AppendReleaseLog(releaser_.Release().releasedMB);
  process_.UpdateBoostNotice();
}

void PagesLogic::TimerMemoryTick() {
  if (autoRelease_.Tick(memory_.Interval(), memory_.AutoReleaseEnabled())) AutoRelease();
}

void PagesLogic::TimerCPUTick() {
  const int inUse = limits_.Tick();
  if (cpu_ != nullptr) {
    cpu_->ClearFreedLimits();
    cpu_->ShowLimitedCount(inUse);
  }
  status_.ShowLimitedCount(inUse);
}

void PagesLogic::ShowMemoryFigures(PageId visible, const MemoryFigures& figures) {
  if (visible == PageId::Memory) {
    if (memoryPageFigures_ == figures) return;  // the labels show these texts already
    memoryPageFigures_ = figures;
    memory_.ShowMemoryFigures(figures);
  } else if (visible == PageId::State) {
    if (statePagePercent_ == figures.usedPercent) return;
    statePagePercent_ = figures.usedPercent;
    status_.ShowMemoryUsage(PercentText(figures.usedPercent));
  }
}

}  // namespace tarvelo
