#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "app/PagesLogic.h"
#include "app/StatusPageLogic.h"
#include "boost/ForegroundBooster.h"
#include "boost/ProcessPageLogic.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuLimitSlots.h"
#include "cpulimit/CpuPageLogic.h"
#include "memory/MemoryPageLogic.h"
#include "memory/MemoryRelease.h"
#include "memory/ModuleGetMemoryState.h"
#include "winapp/WinPages.h"

namespace platform {
struct Platform;
}

namespace tarvelo {
class Settings;
class StartOptions;
}  // namespace tarvelo

namespace tarvelo::winapp {

// The pages' behaviour in the Windows program: the shared logic of each page
// over its Win32 panel, the clicks and choices routed to it, and the timers
// of the main window that feed it.
class WinPageBehaviour : private CpuPageHost {
 public:
  // The main window's timers, by id.
  enum Timer : UINT_PTR {
    kTimerState = 200,    // the clock, at the turn of each second
    kTimerProcess = 201,  // the booster, 900 ms
    kTimerMemory = 202,   // the automatic release, 1 s
    kTimerCPU = 203,      // the CPU limits, 1100 ms
    kTimerFigures = 204,  // the memory figures in sight, 20 ms
  };

  WinPageBehaviour(HWND mainWindow, WinPages& pages, platform::Platform& platform, Settings& settings,
                   StartOptions& startOptions);
  ~WinPageBehaviour() override;

  // Start-up: the lists filled, the settings on their controls, the process
  // list read, the timers started. Returns whether the window starts hidden
  // ("Auto minimize on start up").
  bool Load();
  // A WM_TIMER of the main window; false for a timer that is not the pages'.
  bool OnTimer(UINT_PTR id);
  // The page in sight changed.
  void PageShown(PageId page);
  // The window was shown, hidden, minimised or restored: the timers that only
  // feed labels run while those labels can be seen, and catch up at once.
  void UpdateDisplayTimers();
  // The program ends: the timers stop, every limit and weight is lifted.
  void End();

 private:
  void ShowTime();
  void ShowMemoryFigures();
  void ClearRowIcons() override;
  void SetRowIcon(int row, const std::string& path, const std::string& iconKey) override;
  DialogResult RunLimitDialog(bool changeLimit, std::string_view pid, const std::string& path,
                              int sliderStart) override;
  void Warn(std::string_view text) override;

  HWND window_;
  WinPages& pages_;
  platform::Platform& platform_;
  StartOptions& startOptions_;
  PageId visiblePage_ = PageId::State;
  ForegroundBooster booster_;
  CpuLimitSlots cpuLimitSlots_;
  CpuLimitControl cpuLimits_;
  ModuleGetMemoryState memoryState_;
  MemoryReleaser releaser_;
  ProcessPageLogic process_;
  MemoryPageLogic memory_;
  CpuPageLogic cpu_;
  StatusPageLogic status_;
  PagesLogic pagesLogic_;
  HIMAGELIST rowIcons_ = nullptr;
  // One icon lookup per program and fill: many processes run the same one.
  std::unordered_map<std::string, int> imageOfPath_;
  bool ending_ = false;
  bool displayTimers_ = false;  // the clock and the figures run
};

}  // namespace tarvelo::winapp
