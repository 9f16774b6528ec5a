#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "tray/ModuleSubClass.h"
#include "tray/ModuleTrayIcon.h"
#include "tray/TrayMenuItems.h"

namespace tarvelo::winapp {

// The notification-area icon through Shell_NotifyIcon, its six animation
// frames, and the tray's hidden window FormMenu that owns the popup menu.
class WinTray final : public TrayIconView {
 public:
  // The message the icon sends to the main window; lParam is the mouse message.
  static constexpr UINT kTrayCallbackMessage = 2025;
  static constexpr char kFormMenuClass[] = "TarveloFormMenu";

  // iconFile: Tarvelo.ico, the icon's picture until the first frame.
  WinTray(HINSTANCE instance, HWND mainWindow, std::string iconFile);
  ~WinTray() override;
  WinTray(const WinTray&) = delete;
  WinTray& operator=(const WinTray&) = delete;

  void Add() override;
  void ShowFrame(int frame) override;
  void Remove() override;

  ModuleTrayIcon& Icon() { return trayIcon_; }

  // What the icon's callback message asks for, by the tray's click rules.
  static TrayCommand CommandFor(LPARAM mouseMessage, const TrayWindows& windows);

  // Pops up m_Menu at the pointer and waits for the user: the item chosen,
  // or null when the menu was closed without a choice.
  const TrayMenuItem* PopUpMenu();

  // Closes FormMenu's window; the menu cannot pop up any more.
  void CloseFormMenu();

 private:
  void Notify(DWORD message, HICON icon);

  HINSTANCE instance_;
  HWND mainWindow_;
  std::string iconFile_;
  HWND formMenu_ = nullptr;
  HMENU menu_ = nullptr;
  HICON fileIcon_ = nullptr;
  std::array<HICON, ModuleTrayIcon::kFrameCount> frames_{};
  bool added_ = false;
  ModuleTrayIcon trayIcon_{*this};
};

}  // namespace tarvelo::winapp
