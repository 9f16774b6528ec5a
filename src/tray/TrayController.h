#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

#include "common/Pages.h"
#include "tray/ModuleSubClass.h"
#include "tray/ModuleTrayIcon.h"

namespace tarvelo {

class FormMenu;

// The program's place in the notification area: the animated icon, the
// handling of its clicks and the popup menu of FormMenu. It acts on the main
// window directly and tells its owner about the menu's other choices.
class TrayController : public QObject {
  Q_OBJECT

 public:
  // iconFile: Tarvelo.ico, the icon's picture until the animation starts.
  TrayController(QWidget& mainWindow, QString iconFile, QObject* parent = nullptr);
  ~TrayController() override;

  ModuleTrayIcon& Icon() { return trayIcon_; }
  QSystemTrayIcon* SystemTrayIcon() const { return systemTrayIcon_; }
  FormMenu* Menu() const { return formMenu_; }

  // While this says the CPU-limit dialog is open, clicks on the icon do nothing.
  void SetCpuLimitDialogVisible(std::function<bool()> visible) { cpuLimitDialogVisible_ = std::move(visible); }
  // Whether the tray host reports a click only as one single activation
  // (StatusNotifierItem hosts); found out at the first click unless set.
  void SetSingleActivationHost(bool single) { singleActivationHost_ = single; }

  // Whether a tray host shows the icon now; a test may answer instead.
  bool HostAvailable() const;
  void SetHostAvailable(std::function<bool()> available) { hostAvailable_ = std::move(available); }

  // Starts and stops acting on the icon's clicks.
  void InstallWindowHook();
  void RemoveWindowHook();
  // Closes the popup menu and FormMenu; the program is ending.
  void CloseMenu();

  // Handles one activation of the icon by the rules of MainWindowProc.
  void Activated(QSystemTrayIcon::ActivationReason reason);

 signals:
  // The menu showed the main window and chose this page for it.
  void PageChosen(PageId page);
  void HomePageChosen();
  void ExitChosen();

 private:
  class View;

  QWidget& mainWindow_;
  QSystemTrayIcon* systemTrayIcon_;
  FormMenu* formMenu_;
  std::unique_ptr<View> view_;
  ModuleTrayIcon trayIcon_;
  std::function<bool()> cpuLimitDialogVisible_;
  std::function<bool()> hostAvailable_;
  std::optional<bool> singleActivationHost_;
  QMetaObject::Connection hook_;
};

// Whether the tray host of this session reports clicks as single activations
// only, as StatusNotifierItem hosts do, rather than as XEmbed icons do.
bool TrayHostReportsOnlySingleActivation();

}  // namespace tarvelo
