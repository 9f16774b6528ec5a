#include "winapp/WinPageBehaviour.h"

#include <commctrl.h>

#include "app/ModuleAutorun.h"
#include "button/WinCommand.h"
#include "platform/Platform.h"
#include "settings/Settings.h"
#include "winapp/WinLimitDialog.h"
#include "winui/WinUi.h"

namespace tarvelo::winapp {

namespace {

// The time of day in the user's format, with seconds.
std::string TimeOfDayText() {
  wchar_t text[64] = {};
  if (::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, 64) == 0) return {};
  return winui::Utf8(text);
}

HICON IconOf(platform::FileIcons& icons, const std::string& path, bool small) {
  const std::optional<platform::IconPicture> picture = icons.PictureOf(path, small);
  if (!picture) return nullptr;
  return winui::IconFromPixels(picture->width, picture->height, picture->pixels.data());
}

}  // namespace

WinPageBehaviour::WinPageBehaviour(HWND mainWindow, WinPages& pages, platform::Platform& platform,
                                   Settings& settings, StartOptions& startOptions)
    : window_(mainWindow),
      pages_(pages),
      platform_(platform),
      startOptions_(startOptions),
      booster_(*platform.foregroundWindow, *platform.processPriorities, platform.unitWeights.get(),
               platform.schedulerStats.get()),
      cpuLimits_(cpuLimitSlots_, platform.cpuLimiter.get()),
      memoryState_(*platform.memoryStatus),
      releaser_(*platform.processTable, *platform.workingSetTrimmer,
                [this] {
                  // The window answers during a release; an ending program stops it.
                  MSG message;
                  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                  }
                  return !ending_;
                }),
      process_(pages.Page(PageId::Process), settings, booster_, *platform.privileges, TimeOfDayText),
      memory_(pages.Page(PageId::Memory), settings, TimeOfDayText),
      cpu_(pages.Page(PageId::CPU), *this, *platform.processTable, cpuLimits_),
      status_(pages.Page(PageId::State)),
      pagesLogic_(process_, memory_, status_, releaser_, cpuLimits_, *platform.privileges) {
  pagesLogic_.SetCpuPage(&cpu_);
  status_.ExplainFigures();
  winui::FormPanel& processPage = pages.Page(PageId::Process);
  processPage.OnNotified([this](const form::Control& control, UINT code) {
    const std::string_view name = control.name;
    if (name == "CheckNowImproveProcess" && code == BN_CLICKED) process_.SwitchClicked();
    if (name == "ComboSpeed" && code == CBN_SELCHANGE) process_.LevelChosen();
  });
  winui::FormPanel& memoryPage = pages.Page(PageId::Memory);
  memoryPage.OnNotified([this](const form::Control& control, UINT code) {
    const std::string_view name = control.name;
    if (name == "CheckEnableAutoFreeMemory" && code == BN_CLICKED) memory_.AutoReleaseClicked();
    if (name == "ComboInterval" && code == CBN_SELCHANGE) memory_.IntervalChosen();
  });
  button::WinCommand::Of(memoryPage.Control("CommandFreeMemory"))->OnClick([this] {
    pagesLogic_.ReleaseNow([this](const ReleaseMessage& message) {
      ::MessageBoxW(window_, winui::Wide(message.text).c_str(), L"Tarvelo",
                    MB_OK | (message.warning ? MB_ICONWARNING : MB_ICONINFORMATION));
    });
  });

  winui::FormPanel& cpuPage = pages.Page(PageId::CPU);
  HWND list = cpuPage.Control("ListViewProcesses");
  const int side = ::GetSystemMetrics(SM_CXSMICON);
  rowIcons_ = ImageList_Create(side, side, ILC_COLOR32 | ILC_MASK, 64, 64);
  ListView_SetImageList(list, rowIcons_, LVSIL_SMALL);
  cpuPage.OnNotified([this](const form::Control& control, UINT code) {
    if (std::string_view(control.name) == "ListViewProcesses" && code == static_cast<UINT>(NM_DBLCLK)) {
      cpu_.OpenLimitDialog();
    }
  });
  button::WinCommand::Of(cpuPage.Control("CommandRefreshProcess"))->OnClick([this] { cpu_.Refresh(); });
  button::WinCommand::Of(cpuPage.Control("CommandLimitProcessCPU"))->OnClick([this] { cpu_.OpenLimitDialog(); });

  winui::FormPanel& settingPage = pages.Page(PageId::Setting);
  settingPage.OnNotified([this](const form::Control& control, UINT code) {
    if (code != BN_CLICKED) return;
    winui::FormPanel& page = pages_.Page(PageId::Setting);
    const std::string_view name = control.name;
    if (name == "CheckAutoRun") startOptions_.CheckAutoRunClick(page.Checked("CheckAutoRun") ? 1 : 0);
    if (name == "CheckAutoMin") startOptions_.CheckAutoMinClick(page.Checked("CheckAutoMin") ? 1 : 0);
  });
}

WinPageBehaviour::~WinPageBehaviour() {
  End();
  if (rowIcons_ != nullptr) ImageList_Destroy(rowIcons_);
}

bool WinPageBehaviour::Load() {
  process_.FillSpeedList();
  memory_.FillIntervalList();
  process_.LoadBoosterSettings();
  memory_.LoadSettings();
  winui::FormPanel& settingPage = pages_.Page(PageId::Setting);
  settingPage.SetChecked("CheckAutoRun", startOptions_.LoadAutorun() == 1);
  settingPage.SetChecked("CheckAutoMin", startOptions_.LoadAutomin() == 1);
  cpu_.Refresh();
  // Caps a crashed earlier run left on processes go before anything else.
  cpuLimits_.LiftLeftovers();
  ::SetTimer(window_, kTimerProcess, 900, nullptr);
  ::SetTimer(window_, kTimerMemory, 1000, nullptr);
  ::SetTimer(window_, kTimerCPU, 1100, nullptr);
  UpdateDisplayTimers();
  return settingPage.Checked("CheckAutoMin");
}

bool WinPageBehaviour::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimerState:
      if (displayTimers_) ShowTime();
      return true;
    case kTimerProcess: {
      const ProcessPageLogic::TickNews news = process_.Tick();
      if (news.boostedTitle) status_.ShowBoost(*news.boostedTitle);
      if (news.fasterFigure) status_.ShowFasterFigure(*news.fasterFigure);
      return true;
    }
    case kTimerMemory:
      pagesLogic_.TimerMemoryTick();
      return true;
    case kTimerCPU:
      pagesLogic_.TimerCPUTick();
      return true;
    case kTimerFigures:
      ShowMemoryFigures();
      return true;
    default:
      return false;
  }
}

void WinPageBehaviour::PageShown(PageId page) {
  visiblePage_ = page;
  displayTimers_ = false;  // started again for the new page, current at once
  UpdateDisplayTimers();
  if (page == PageId::Process) process_.UpdateBoostNotice();
}

void WinPageBehaviour::UpdateDisplayTimers() {
  if (ending_) return;
  const bool onScreen = ::IsWindowVisible(window_) != FALSE && ::IsIconic(window_) == FALSE;
  const bool wanted = onScreen && (visiblePage_ == PageId::State || visiblePage_ == PageId::Memory);
  if (wanted == displayTimers_) return;
  displayTimers_ = wanted;
  if (!wanted) {
    ::KillTimer(window_, kTimerState);
    ::KillTimer(window_, kTimerFigures);
    return;
  }
  ShowMemoryFigures();
  ShowTime();  // also arms the clock for the turn of the next second
  ::SetTimer(window_, kTimerFigures, 20, nullptr);
}

void WinPageBehaviour::End() {
  if (ending_) return;
  ending_ = true;
  for (UINT_PTR id : {kTimerState, kTimerProcess, kTimerMemory, kTimerCPU, kTimerFigures}) ::KillTimer(window_, id);
}

void WinPageBehaviour::ShowTime() {
  status_.ShowTime(TimeOfDayText());
  // Again at the turn of the next second.
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  ::SetTimer(window_, kTimerState, 1000u - now.wMilliseconds, nullptr);
}

// Only the page in sight is brought up to date, and only when a figure changed.
void WinPageBehaviour::ShowMemoryFigures() {
  pagesLogic_.ShowMemoryFigures(visiblePage_, memoryState_.ShowMemoryState());
}

void WinPageBehaviour::ClearRowIcons() {
  ImageList_RemoveAll(rowIcons_);
  imageOfPath_.clear();
}

void WinPageBehaviour::SetRowIcon(int row, const std::string& path, const std::string&) {
  auto [known, added] = imageOfPath_.try_emplace(path, -1);
  if (added) {
    if (HICON icon = IconOf(*platform_.fileIcons, path, true)) {
      known->second = ImageList_AddIcon(rowIcons_, icon);
      ::DestroyIcon(icon);
    }
  }
  const int image = known->second;
  if (image < 0) return;
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  item.iImage = image;
  ::SendMessageW(pages_.Page(PageId::CPU).Control("ListViewProcesses"), LVM_SETITEMW, 0,
                 reinterpret_cast<LPARAM>(&item));
}

CpuPageHost::DialogResult WinPageBehaviour::RunLimitDialog(bool changeLimit, std::string_view pid,
                                                           const std::string& path, int sliderStart) {
  HICON icon = IconOf(*platform_.fileIcons, path, false);
  DialogResult result;
  {
    WinLimitDialog dialog(window_, changeLimit, pid, path, icon, sliderStart);
    result = dialog.Run();
  }
  if (icon != nullptr) ::DestroyIcon(icon);
  return result;
}

void WinPageBehaviour::Warn(std::string_view text) {
  ::MessageBoxW(window_, winui::Wide(text).c_str(), L"Tarvelo", MB_OK | MB_ICONWARNING);
}

}  // namespace tarvelo::winapp
