#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ChromeButton.h"
#include "app/ModuleAutorun.h"
#include "common/Pages.h"
#include "forms/Form.h"
#include "platform/Platform.h"
#include "settings/Settings.h"
#include "winapp/WinAdBanner.h"
#include "winapp/WinPageBehaviour.h"
#include "winapp/WinPages.h"
#include "winapp/WinTray.h"

namespace tarvelo::winapp {

// What the pages act on, owned by WinMain for the whole run.
struct WinAppContext {
  platform::Platform& platform;
  Settings& settings;
  StartOptions& startOptions;  // "Start with windows", "Auto minimize on start up"
};

// FormTarvelo on Windows: the main window without a frame, its chrome (the
// caption strip that drags it, the minimise and close buttons), the tray icon
// with its animation and menu, hiding to the tray and the end of the program.
class WinMainWindow {
 public:
  static constexpr char kClassName[] = "TarveloMainWindow";
  static constexpr UINT kTimerTrayIconId = 1;

  // iconFile: Tarvelo.ico, the tray icon's first picture.
  WinMainWindow(HINSTANCE instance, WinAppContext context, std::string iconFile, std::string siteRoot);
  ~WinMainWindow();
  WinMainWindow(const WinMainWindow&) = delete;
  WinMainWindow& operator=(const WinMainWindow&) = delete;

  // Creates the window, hidden and centred on the screen, with its pages; false
  // when the system refused it.
  bool Create();
  // The six pages on their panels, the chrome's labels, and the pages'
  // behaviour loaded from the settings.
  void BuildPages();
  // "Auto minimize on start up": the window stays in the tray at start.
  bool StartsHidden() const { return startsHidden_; }
  // Shows page's panel and selects its navigation entry.
  void ShowPage(PageId page);
  PageId VisiblePage() const { return visiblePage_; }

  // The end of start-up: the tray icon, its animation timer.
  void AddTrayIcon();

  void Show();
  void HideToTray();
  void Minimize();
  // Removes the tray icon and closes the windows; the message loop then ends.
  void ExitProgram();

  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnTrayCallback(LPARAM mouseMessage);
  void RunMenuItem(const TrayMenuItem& item);
  void Paint();
  // A control of the main form, in pixels at the window's DPI.
  RECT Place(const char* control) const;
  // The chrome's labels at their places and in their fonts at the window's DPI.
  void LayOutChrome();
  // The navigation entry under a client point.
  std::optional<PageId> NavigationAt(POINT point) const;
  // The chrome button under a client point, or null.
  ChromeButton* ChromeAt(POINT point, RECT* rect = nullptr);
  void ChromeAction(ChromeButton::Action action);

  HINSTANCE instance_;
  WinAppContext context_;
  std::string iconFile_;
  std::string siteRoot_;
  HWND window_ = nullptr;
  int dpi_ = 96;
  UINT taskbarCreatedMessage_ = 0;
  bool exiting_ = false;
  PageId visiblePage_ = PageId::State;
  ChromeButton imageMin_{ChromeButton::Kind::Minimize};
  ChromeButton imageExit_{ChromeButton::Kind::Close};
  std::unique_ptr<WinTray> tray_;
  std::unique_ptr<WinPages> pages_;
  std::unique_ptr<WinPageBehaviour> behaviour_;
  std::unique_ptr<WinAdBanner> ad_;
  struct ChromeLabel {
    HWND window;
    const form::Control* control;
  };
  std::vector<ChromeLabel> chromeLabels_;
  bool startsHidden_ = false;
};

}  // namespace tarvelo::winapp
