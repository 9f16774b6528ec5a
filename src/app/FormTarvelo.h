#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "app/ChromeButton.h"
#include "app/ModuleAutorun.h"
#include "app/PagesLogic.h"
#include "common/Pages.h"
#include "settings/Settings.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuLimitSlots.h"
#include "cpulimit/ProcessList.h"
#include "memory/MemoryRelease.h"
#include "memory/MemoryTicker.h"
#include "memory/ModuleGetMemoryState.h"

class QDialog;
class QTimer;

namespace platform {
struct Platform;
}

namespace tarvelo::widgets {
class Label;
class Picture;
}  // namespace tarvelo::widgets

namespace tarvelo {

class AboutPage;
class AdBanner;
class ChromeButtonWidget;
class CpuPage;
class ForegroundBooster;
class MemoryPage;
class SettingPage;
class ProcessPage;
class StatusPage;
class NavigationTabs;
class TrayAbsence;
class WindowPlacement;
class TrayController;

// The main window: borderless, skinned, six pages behind a navigation column.
// It owns the program's timers and runs start-up and shut-down.
class FormTarvelo : public QWidget {
  Q_OBJECT

 public:
  explicit FormTarvelo(platform::Platform& platform, QWidget* parent = nullptr);
  ~FormTarvelo() override;

  // The start-up sequence. Returns false when another instance runs: the user
  // has been told, and nothing else happened.
  bool Load();

  // Shows one page and selects its navigation entry; the window itself is not
  // shown or restored.
  void ShowPage(PageId page);
  PageId VisiblePage() const { return visiblePage_; }
  // The CPU and About pages are built when first shown; this builds one now.
  // Nothing happens for a page that exists.
  void BuildPage(PageId page);

  // Shows the window, restored, in front of the others.
  void BringToFront();
  // Hides the window; the program, its timers and its tray icon go on.
  void HideToTray();
  // Ends the program in order; the only way it ends.
  void ExitProgram();
  bool Exiting() const { return exiting_; }

  // Trims the working set of every process, keeping the window answering.
  void DoAllMiniUseMemory() { releaser_.DoAllMiniUseMemory(); }

  // The CPU-limit dialog while it runs: whoever opens it hands it over here
  // for as long as it lives (the pointer clears itself when it is destroyed).
  // While it is visible the tray icon's clicks and the advertisement poll do
  // nothing; ExitProgram closes it.
  void SetCpuLimitDialog(QDialog* dialog);
  bool CpuLimitDialogVisible() const;
  // Rejects the dialog: its exec() returns, and its opener destroys it.
  void CloseCpuLimitDialog();

  // Chrome.
  widgets::Picture* ImageCaption;
  widgets::Label* Label9;
  widgets::Label* Label8;
  widgets::Label* Label4;
  widgets::Label* Label38;
  widgets::Label* LabelAd;
  ChromeButtonWidget* ImageMin;
  ChromeButtonWidget* ImageExit;

  // Navigation: for each page its pair of pictures (0 normal, 1 selected) and
  // its caption, in page order.
  struct NavigationEntry {
    std::array<widgets::Picture*, 2> image;
    widgets::Label* label;
  };
  std::array<NavigationEntry, kPageCount> Navigation{};

  // Pages, in page order. PictureCPU and PictureAbout are null until built.
  StatusPage* PictureState;
  ProcessPage* PictureProcess;
  CpuPage* PictureCPU = nullptr;
  MemoryPage* PictureMemory;
  SettingPage* PictureSetting;
  AboutPage* PictureAbout = nullptr;
  // The page's panel; null for a page not built yet.
  QWidget* Panel(PageId page) const { return panels_[IndexOf(page)]; }

  QTimer* TimerAd;
  // The memory figures' 20 ms tick, on a thread of its own.
  std::unique_ptr<MemoryTicker> TimerOnTimeState;
  QTimer* TimerMemory;
  QTimer* TimerProcess;
  QTimer* TimerCPU;
  QTimer* TimerState;
  QTimer* TimerTrayIcon;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildChrome();
  void BuildNavigation();
  void BuildPages();
  void BuildTimers();
  void BuildTrayAndBanner();
  void WatchShutdownRequests();
  void ListenForOtherStarts();
  void OnChromeAction(ChromeButton::Action action);
  void StartMoving(Qt::MouseButton button);

  // Start-up steps, in their order.
  void CentreOnScreen();
  void ResetTrayFrame();
  void InitialiseChrome();
  void FillSpeedList();
  void FillIntervalList();
  void LoadBoosterSettings();
  void LoadMemorySettings();
  void LoadStartSettings();
  void TimerProcessTick();
  void RefreshProcessList();
  void InstallWindowHook();
  void AddTrayIcon();
  void StartTimers();

  // Shut-down steps, in their order.
  void DeleteTrayIcon();
  void RemoveWindowHook();
  void CloseOtherWindows();

  // The display-only timers (memory figures, clock, limit counters) run while
  // what they feed can be seen; each catches up at once when it starts again.
  void UpdateDisplayTimers();
  bool WindowOnScreen() const;
  void PlaceBuiltPage(PageId page, QWidget* panel);

  void TimerStateTick();
  void ShowMemoryFigures(const MemoryFigures& figures);
  void CommandFreeMemoryClick();
  void AutoReleaseMemory();
  void TimerMemoryTick();
  void TimerCPUTick();

  platform::Platform& platform_;
  Settings settings_;
  ModuleAutorun autorun_;
  StartOptions startOptions_;
  QString siteRoot_;  // the product web site
  TrayController* tray_ = nullptr;
  TrayAbsence* trayAbsence_ = nullptr;
  WindowPlacement* placement_ = nullptr;
  NavigationTabs* navigationTabs_ = nullptr;
  AdBanner* adBanner_ = nullptr;
  QPointer<QDialog> cpuLimitDialog_;
  ModuleGetMemoryState memoryState_;
  MemoryReleaser releaser_;
  std::unique_ptr<ForegroundBooster> booster_;
  CpuLimitSlots cpuLimitSlots_;
  CpuLimitControl cpuLimits_;
  std::array<QWidget*, kPageCount> panels_{};
  // What the window does for its pages; made with them.
  std::unique_ptr<PagesLogic> pagesLogic_;
  // The start-up list fill, kept for the CPU page until it is built.
  std::optional<std::vector<ProcessRow>> startProcessRows_;
  // A start hidden in the tray leaves the list fill to the CPU page's first
  // showing, and the advertisement's polls to the window's.
  bool listFillWaits_ = false;
  bool adWaitsForShow_ = false;
  PageId visiblePage_ = PageId::State;
  bool timersStarted_ = false;
  bool hiddenAtStart_ = false;
  bool exiting_ = false;
};

}  // namespace tarvelo
