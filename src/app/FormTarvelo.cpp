#include "app/FormTarvelo.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/AboutPage.h"
#include "app/Accessibility.h"
#include "app/AdBanner.h"
#include "app/Artwork.h"
#include "app/ChromeButtonWidget.h"
#include "app/ModuleAd.h"
#include "app/NavigationTabs.h"
#include "app/SettingPage.h"
#include "app/StatusPage.h"
#include "app/TrayAbsence.h"
#include "app/WindowPlacement.h"
#include "button/Command.h"
#include "boost/ForegroundBooster.h"
#include "boost/ProcessPage.h"
#include "widgets/AllowPrivilege.h"
#include "cpulimit/CpuPage.h"
#include "memory/MemoryPage.h"
#include "monitor/CpuMonitor.h"
#include "platform/Locations.h"
#include "platform/Platform.h"
#include "tray/TrayController.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/MessageBox.h"
#include "widgets/Picture.h"
#include "widgets/TimeOfDay.h"
#include "widgets/Twips.h"
#include "widgets/WebLink.h"

namespace tarvelo {

using widgets::Label;
using widgets::Picture;
using widgets::TwipsRect;

namespace {
}  // namespace

FormTarvelo::FormTarvelo(platform::Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      platform_(platform),
      settings_(*platform.settingsFile, platform.systemSettingsFile.get()),
      autorun_(*platform.autostart, platform::ExecutablePath()),
      startOptions_(settings_, autorun_),
      siteRoot_(QString::fromStdString(ModuleAd::SiteRoot())),
      memoryState_(*platform.memoryStatus),
      releaser_(*platform.processTable, *platform.workingSetTrimmer, [this] {
        // Two yields per process: the window answers and the timers tick
        // during a release; an ending program stops it.
        QCoreApplication::processEvents();
        return !exiting_;
      }),
      booster_(std::make_unique<ForegroundBooster>(*platform.foregroundWindow, *platform.processPriorities,
                                                   platform.unitWeights.get(), platform.schedulerStats.get())),
      cpuLimits_(cpuLimitSlots_, platform.cpuLimiter.get()) {
  setObjectName("FormTarvelo");
  setWindowTitle("Tarvelo");
  setWindowIcon(artwork::EmblemIcon());
  setFont(widgets::WindowFont());
  setFixedSize(widgets::TwipsSize(form::MainForm().width, form::MainForm().height));
  setMouseTracking(true);
  InstallAccessibility();

  BuildPages();
  BuildNavigation();
  navigationTabs_ = new NavigationTabs(*this);
  connect(navigationTabs_, &NavigationTabs::PageChosen, this, &FormTarvelo::ShowPage);
  BuildChrome();
  placement_ = new WindowPlacement(*this, ImageCaption->geometry());
  BuildTimers();
  BuildTrayAndBanner();
  WatchShutdownRequests();
}

FormTarvelo::~FormTarvelo() {
  // Its thread reads through memoryState_ and posts to this window.
  if (TimerOnTimeState) TimerOnTimeState->Stop();
}

void FormTarvelo::BuildChrome() {
  const form::Form& f = form::MainForm();
  ImageCaption = widgets::MakePicture(this, f["ImageCaption"], artwork::PaintCaptionStrip);
  connect(ImageCaption, &Picture::Pressed, this, [this](Qt::MouseButton button) { StartMoving(button); });

  Label9 = widgets::MakeLabel(this, f["Label9"]);
  Label9->setAttribute(Qt::WA_TransparentForMouseEvents);  // the caption under it drags the window
  Label8 = widgets::MakeLabel(this, f["Label8"]);
  Label4 = widgets::MakeLabel(this, f["Label4"]);
  Label38 = widgets::MakeLabel(this, f["Label38"]);
  LabelAd = widgets::MakeLabel(this, f["LabelAd"]);
  LabelAd->setCursor(Qt::PointingHandCursor);

  ImageMin = new ChromeButtonWidget(this, "ImageMin", ChromeButton::Kind::Minimize, widgets::RectOf(f["ImageMin"]));
  ImageExit = new ChromeButtonWidget(this, "ImageExit", ChromeButton::Kind::Close, widgets::RectOf(f["ImageExit"]));
  for (ChromeButtonWidget* button : {ImageMin, ImageExit}) {
    connect(button, &ChromeButtonWidget::Activated, this, &FormTarvelo::OnChromeAction);
  }
}

void FormTarvelo::BuildNavigation() {
  for (const PageInfo& info : kPages) {
    NavigationEntry& entry = Navigation[IndexOf(info.id)];
    const QRect rect = TwipsRect(kNavigationLeft, info.imageTop, kNavigationWidth, kNavigationHeight);
    for (int selected = 0; selected < 2; ++selected) {
      const PageId page = info.id;
      entry.image[selected] = new Picture(this, QString("%1_%2").arg(info.image).arg(selected), rect,
                                          [page, selected](QPainter& p, const QRectF& r) {
                                            artwork::PaintNavigation(p, r, page, selected == 1);
                                          });
      entry.image[selected]->setCursor(Qt::PointingHandCursor);
      connect(entry.image[selected], &Picture::Clicked, this, [this, page] { ShowPage(page); });
    }
    entry.label = new Label(this, info.label, info.caption, kNavigationLabelLeft, info.labelTop);
    entry.label->setFont(widgets::Verdana(8.25, true));
    entry.label->SetColor(Qt::white);
    entry.label->setCursor(Qt::PointingHandCursor);
    connect(entry.label, &Label::Clicked, this, [this, page = info.id] { ShowPage(page); });
  }
}

void FormTarvelo::BuildPages() {
  auto size = [](PageId page) { return std::pair{InfoOf(page).panelWidth, InfoOf(page).panelHeight}; };
  PictureState = new StatusPage(this, size(PageId::State).first, size(PageId::State).second, platform_);
  PictureProcess = new ProcessPage(this, size(PageId::Process).first, size(PageId::Process).second, settings_,
                                   *booster_, *platform_.privileges);
  connect(PictureProcess, &ProcessPage::Boosted, PictureState, &StatusPage::ShowBoost);
  connect(PictureProcess, &ProcessPage::FasterMeasured, PictureState, &StatusPage::ShowFasterFigure);
  PictureMemory = new MemoryPage(this, size(PageId::Memory).first, size(PageId::Memory).second, settings_);
  connect(PictureMemory->CommandFreeMemory, &button::Command::Click, this, &FormTarvelo::CommandFreeMemoryClick);
  PictureSetting = new SettingPage(this, size(PageId::Setting).first, size(PageId::Setting).second, startOptions_);
  // The CPU and About pages wait for their first showing (BuildPage): start-up
  // needs nothing of them but the list fill, which it keeps for the CPU page.
  panels_ = {PictureState, PictureProcess, nullptr, PictureMemory, PictureSetting, nullptr};
  pagesLogic_ = std::make_unique<PagesLogic>(PictureProcess->Logic(), PictureMemory->Logic(), PictureState->Logic(),
                                             releaser_, cpuLimits_, *platform_.privileges);
}

void FormTarvelo::BuildPage(PageId page) {
  if (Panel(page) != nullptr) return;
  const PageInfo& info = InfoOf(page);
  if (page == PageId::CPU) {
    PictureCPU = new CpuPage(this, info.panelWidth, info.panelHeight, *platform_.processTable, *platform_.fileIcons,
                             cpuLimits_, [this](QDialog* dialog) { SetCpuLimitDialog(dialog); });
    PlaceBuiltPage(page, PictureCPU);
    pagesLogic_->SetCpuPage(&PictureCPU->Logic());
    if (startProcessRows_) {
      PictureCPU->ShowProcessList(*startProcessRows_);
      startProcessRows_.reset();
    } else if (listFillWaits_) {
      PictureCPU->Refresh();
    }
    listFillWaits_ = false;
    PictureCPU->ShowLimitedCount(cpuLimitSlots_.CountInUse());
  } else if (page == PageId::About) {
    PictureAbout = new AboutPage(this, info.panelWidth, info.panelHeight, siteRoot_);
    PlaceBuiltPage(page, PictureAbout);
  }
}

void FormTarvelo::PlaceBuiltPage(PageId page, QWidget* panel) {
  panels_[IndexOf(page)] = panel;
  // Built after the navigation column and the chrome: keep the stacking of a
  // page built with the others.
  panel->lower();
  panel->setVisible(page == visiblePage_);
}

void FormTarvelo::BuildTimers() {
  auto timer = [this](const char* name, int intervalMs) {
    auto* t = new QTimer(this);
    t->setObjectName(name);
    t->setInterval(intervalMs);
    return t;
  };
  TimerAd = timer("TimerAd", 3000);
  TimerOnTimeState = std::make_unique<MemoryTicker>(
      memoryState_, std::chrono::milliseconds(20), [this](const MemoryFigures& figures, std::uint64_t run) {
        QMetaObject::invokeMethod(
            this,
            [this, figures, run] {
              if (run == TimerOnTimeState->Run()) ShowMemoryFigures(figures);
            },
            Qt::QueuedConnection);
      });
  TimerMemory = timer("TimerMemory", 1000);
  TimerProcess = timer("TimerProcess", 900);
  TimerCPU = timer("TimerCPU", 1100);
  TimerState = timer("TimerState", 100);
  TimerTrayIcon = timer("TimerTrayIcon", 990);
  // The clock shows seconds: each tick sets the wait to the next turn of a
  // second, so the text changes on time with one wake-up a second.
  TimerState->setTimerType(Qt::PreciseTimer);

  connect(TimerMemory, &QTimer::timeout, this, &FormTarvelo::TimerMemoryTick);
  connect(TimerCPU, &QTimer::timeout, this, &FormTarvelo::TimerCPUTick);
  connect(TimerProcess, &QTimer::timeout, this, &FormTarvelo::TimerProcessTick);
  connect(TimerState, &QTimer::timeout, this, &FormTarvelo::TimerStateTick);
}

void FormTarvelo::BuildTrayAndBanner() {
  const QString iconFile = QString::fromStdString(platform::DataFilePath("Tarvelo.ico"));
  tray_ = new TrayController(*this, iconFile, this);
  tray_->SetCpuLimitDialogVisible([this] { return CpuLimitDialogVisible(); });
  connect(tray_, &TrayController::PageChosen, this, &FormTarvelo::ShowPage);
  connect(tray_, &TrayController::HomePageChosen, this, [this] { widgets::OpenWebLink(this, siteRoot_); });
  connect(tray_, &TrayController::ExitChosen, this, &FormTarvelo::ExitProgram);
  connect(TimerTrayIcon, &QTimer::timeout, this, [this] { tray_->Icon().TimerTrayIcon(); });
  trayAbsence_ = new TrayAbsence(*this, [this] { return tray_->HostAvailable(); }, this);
  connect(trayAbsence_, &TrayAbsence::ExitChosen, this, &FormTarvelo::ExitProgram);

  // Turned off, the banner stays hidden and TimerAd never runs: the program
  // sends nothing to the web site, not even a name lookup.
  if (!AdEnabled(settings_)) return;
  const std::string site = siteRoot_.toStdString();
  adBanner_ = new AdBanner(LabelAd, TimerAd, [this] { return CpuLimitDialogVisible(); },
                           QUrl(QString::fromStdString(ModuleAd::AdAddress(site))),
                           QUrl(QString::fromStdString(ModuleAd::AdPageAddress(site))), this);
}

void FormTarvelo::WatchShutdownRequests() {
  platform::ShutdownRequests* requests = platform_.shutdownRequests.get();
  if (requests == nullptr || requests->NotifyDescriptor() < 0) return;
  auto* notifier = new QSocketNotifier(requests->NotifyDescriptor(), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, requests] {
    requests->Acknowledge();
    ExitProgram();
  });
}

// A later start asks over the single-instance channel: the window comes to the front.
void FormTarvelo::ListenForOtherStarts() {
  platform::SingleInstance* instance = platform_.singleInstance.get();
  if (instance->ActivationDescriptor() < 0) return;
  auto* notifier = new QSocketNotifier(instance->ActivationDescriptor(), QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, instance] {
    if (instance->TakeActivationRequests() && !exiting_) BringToFront();
  });
}

void FormTarvelo::BringToFront() {
  showNormal();
  raise();
  activateWindow();
}

// ---- Start-up ----

bool FormTarvelo::Load() {
  if (platform_.singleInstance->AnotherInstanceRunning()) {
    // The running instance brings its window to the front; this start still says why it ends.
    platform_.singleInstance->ActivateRunningInstance();
    widgets::ShowMessage(nullptr, "Tarvelo already in running.");
    return false;
  }
  ListenForOtherStarts();
  // Caps a crashed earlier run left on processes go before anything else.
  cpuLimits_.LiftLeftovers();
  CentreOnScreen();
  platform_.privileges->EnableDebugPrivilege();
  LabelAd->hide();  // shown when an advertisement arrives
  ResetTrayFrame();
  InitialiseChrome();
  FillSpeedList();
  FillIntervalList();
  // The six settings, one key at a time, each put onto its control at once.
  LoadBoosterSettings();
  LoadMemorySettings();
  LoadStartSettings();
  TimerProcessTick();
  RefreshProcessList();
  InstallWindowHook();
  AddTrayIcon();

  if (!hiddenAtStart_) show();
  else trayAbsence_->MayHide();  // without a tray host a hidden start would strand the window
  StartTimers();
  return true;
}

// Centred, with the caption strip on the screen even where the window is larger.
void FormTarvelo::CentreOnScreen() { placement_->CentreOnScreen(); }

// The tray animation starts again at its first frame.
void FormTarvelo::ResetTrayFrame() { tray_->Icon().TrayFrame = 1; }

void FormTarvelo::InitialiseChrome() {
  ImageMin->PointerOverBackground();
  ImageExit->PointerOverBackground();
  ShowPage(PageId::State);
}

// The booster's levels.
void FormTarvelo::FillSpeedList() { PictureProcess->FillSpeedList(); }

// The automatic release's intervals.
void FormTarvelo::FillIntervalList() { PictureMemory->FillIntervalList(); }

// [Process] EnableImproveProcess and ImproveSpeed.
void FormTarvelo::LoadBoosterSettings() { PictureProcess->LoadBoosterSettings(); }

// [Memory] EnableFreeMemory and AutoFreeMemoryInterval.
void FormTarvelo::LoadMemorySettings() { PictureMemory->LoadSettings(); }

// [Setting] Autorun, which also brings the autostart entry in line, and
// Automin, which keeps the window hidden.
void FormTarvelo::LoadStartSettings() {
  PictureSetting->CheckAutoRun->SetValue(startOptions_.LoadAutorun());
  PictureSetting->CheckAutoMin->SetValue(startOptions_.LoadAutomin());
  hiddenAtStart_ = PictureSetting->CheckAutoMin->Value() == 1;
}

// The foreground booster; start-up runs one tick before the window shows.
void FormTarvelo::TimerProcessTick() { PictureProcess->TimerProcessTick(); }

// The first fill of the process list, as "Refresh" does it. The snapshot is
// taken now; the rows reach the view when the CPU page is first built. A
// start hidden in the tray takes it then: nobody can see the list before.
void FormTarvelo::RefreshProcessList() {
  if (PictureCPU != nullptr) {
    PictureCPU->Refresh();
    return;
  }
  if (hiddenAtStart_) {
    listFillWaits_ = true;
    return;
  }
  startProcessRows_ = LoadProcessList(*platform_.processTable);
}

// Starts acting on the tray icon's clicks.
void FormTarvelo::InstallWindowHook() { tray_->InstallWindowHook(); }

// Puts the icon into the notification area.
void FormTarvelo::AddTrayIcon() { tray_->Icon().AddTrayIcon(); }

void FormTarvelo::StartTimers() {
  for (QTimer* timer : {TimerMemory, TimerProcess, TimerTrayIcon}) timer->start();
  // The banner is seen only in the window: a start hidden in the tray polls
  // (and looks up the site's name) first when the window shows.
  if (adBanner_ != nullptr) {
    adWaitsForShow_ = !isVisible();
    if (!adWaitsForShow_) TimerAd->start();
  }
  // The diagram samples once a second too. Started with the others, it settles
  // on the same moments, and the program wakes once a second for all of them.
  if (QTimer* sampler = PictureState->CpuMonitorState->Timer1(); sampler->isActive()) sampler->start();
  timersStarted_ = true;
  UpdateDisplayTimers();
}

bool FormTarvelo::WindowOnScreen() const { return isVisible() && !isMinimized(); }

void FormTarvelo::UpdateDisplayTimers() {
  const bool onScreen = timersStarted_ && !exiting_ && WindowOnScreen();
  const PageId page = visiblePage_;
  struct Gate {
    QTimer* timer;
    bool wanted;
    void (FormTarvelo::*tick)();
  };
  const bool figuresWanted = onScreen && (page == PageId::State || page == PageId::Memory);
  // The Status page shows only the used rate: the megabytes moving alone
  // need not wake the window there.
  const auto watch = page == PageId::Memory ? MemoryTicker::Watch::AllFigures : MemoryTicker::Watch::UsedPercent;
  if (figuresWanted && (!TimerOnTimeState->IsActive() || TimerOnTimeState->Watching() != watch)) {
    ShowMemoryFigures(TimerOnTimeState->Start(watch));  // current the moment they show
  } else if (!figuresWanted && TimerOnTimeState->IsActive()) {
    TimerOnTimeState->Stop();
  }
  const Gate gates[] = {
      {TimerState, onScreen && page == PageId::State, &FormTarvelo::TimerStateTick},
      {TimerCPU, onScreen && (page == PageId::State || page == PageId::CPU), &FormTarvelo::TimerCPUTick},
  };
  for (const Gate& gate : gates) {
    if (gate.wanted == gate.timer->isActive()) continue;
    if (gate.wanted) {
      (this->*gate.tick)();  // what the stopped timer would have shown by now
      gate.timer->start();
    } else {
      gate.timer->stop();
    }
  }
}

// ---- Pages and chrome ----

void FormTarvelo::ShowPage(PageId page) {
  BuildPage(page);
  for (const PageInfo& info : kPages) {
    const bool selected = info.id == page;
    NavigationEntry& entry = Navigation[IndexOf(info.id)];
    entry.image[0]->setVisible(!selected);
    entry.image[1]->setVisible(selected);
  }
  for (const PageInfo& info : kPages) {
    if (QWidget* panel = Panel(info.id)) panel->setVisible(info.id == page);
  }
  visiblePage_ = page;
  UpdateDisplayTimers();
  navigationTabs_->ShowCurrent(page);
}

void FormTarvelo::OnChromeAction(ChromeButton::Action action) {
  if (action == ChromeButton::Action::Minimize) showMinimized();
  if (action == ChromeButton::Action::HideToTray) HideToTray();
}

void FormTarvelo::StartMoving(Qt::MouseButton button) {
  if (button != Qt::LeftButton || windowHandle() == nullptr) return;
  windowHandle()->startSystemMove();
}

void FormTarvelo::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  artwork::PaintWindowBackground(painter, QRectF(rect()));
}

void FormTarvelo::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  // Only the window's own background counts, not a control on it.
  if (childAt(event->position().toPoint()) != nullptr) return;
  ImageMin->PointerOverBackground();
  ImageExit->PointerOverBackground();
  if (LabelAd->font().underline()) {
    QFont font = LabelAd->font();
    font.setUnderline(false);
    LabelAd->setFont(font);
  }
}

// ---- Hiding and ending ----

void FormTarvelo::HideToTray() {
  if (!trayAbsence_->MayHide()) return;
  hide();
  trayAbsence_->WatchWhileHidden();
  if (adBanner_ != nullptr) TimerAd->start();
}

void FormTarvelo::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (adWaitsForShow_) {
    adWaitsForShow_ = false;
    TimerAd->start();
  }
  UpdateDisplayTimers();
}

void FormTarvelo::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  UpdateDisplayTimers();
}

void FormTarvelo::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) UpdateDisplayTimers();
}

void FormTarvelo::closeEvent(QCloseEvent* event) {
  // A close from the window manager hides to the tray like the close button;
  // the program ends only through ExitProgram.
  if (exiting_) {
    event->accept();
    return;
  }
  event->ignore();
  HideToTray();
}

void FormTarvelo::ExitProgram() {
  if (exiting_) return;
  exiting_ = true;
  booster_->RestoreAll();  // every priority and weight the booster holds goes back
  cpuLimits_.LiftAll();
  DeleteTrayIcon();
  RemoveWindowHook();
  CloseOtherWindows();
  close();
  // Leaves every event loop, nested modal ones included.
  QCoreApplication::exit(0);
}

// Takes the icon out of the notification area.
void FormTarvelo::DeleteTrayIcon() { tray_->Icon().DeleteTrayIcon(); }

// Stops acting on the tray icon's clicks.
void FormTarvelo::RemoveWindowHook() { tray_->RemoveWindowHook(); }

// Closes the tray menu's window, then the CPU-limit dialog.
void FormTarvelo::CloseOtherWindows() {
  tray_->CloseMenu();
  CloseCpuLimitDialog();
}

void FormTarvelo::SetCpuLimitDialog(QDialog* dialog) { cpuLimitDialog_ = dialog; }

bool FormTarvelo::CpuLimitDialogVisible() const { return cpuLimitDialog_ && cpuLimitDialog_->isVisible(); }

void FormTarvelo::CloseCpuLimitDialog() {
  // Not deleted here: it may be running its own event loop further up the
  // stack, and its opener owns it.
  if (cpuLimitDialog_) cpuLimitDialog_->reject();
}

// ---- Timers ----

void FormTarvelo::TimerStateTick() {
  const QTime now = QTime::currentTime();
  PictureState->ShowTime(widgets::TimeOfDayText(now));
  TimerState->setInterval(widgets::MsToNextSecond(now));
}

// Only the page in sight is brought up to date (laying out a label's new text
// is most of the work); the other gets a fresh reading when it shows.
void FormTarvelo::ShowMemoryFigures(const MemoryFigures& figures) { pagesLogic_->ShowMemoryFigures(visiblePage_, figures); }

// ---- Memory release ----

void FormTarvelo::CommandFreeMemoryClick() {
  pagesLogic_->ReleaseNow([this](const ReleaseMessage& message) {
    const QMessageBox::Icon icon = message.warning ? QMessageBox::Warning : QMessageBox::Information;
    if (message.offerAllow) {
      widgets::ShowMessageOfferingAllow(this, QString::fromStdString(message.text), icon, *platform_.privileges);
    } else {
      widgets::ShowMessage(this, QString::fromStdString(message.text), icon);
    }
  });
}

void FormTarvelo::AutoReleaseMemory() { pagesLogic_->AutoRelease(); }

void FormTarvelo::TimerMemoryTick() { pagesLogic_->TimerMemoryTick(); }

void FormTarvelo::TimerCPUTick() { pagesLogic_->TimerCPUTick(); }

}  // namespace tarvelo
