#include "winapp/WinTray.h"

#include <shellapi.h>

#include <cstring>

#include "winapp/resource.h"

namespace tarvelo::winapp {

namespace {

// Menu command numbers: the item's index in kTrayMenuItems, plus one (0 is
// "no choice" for TrackPopupMenu).
UINT CommandOf(std::size_t index) { return static_cast<UINT>(index + 1); }

HMENU BuildMenu() {
  HMENU menu = ::CreatePopupMenu();
  for (std::size_t i = 0; i < kTrayMenuItems.size(); ++i) {
    const TrayMenuItem& item = kTrayMenuItems[i];
    if (item.kind == TrayMenuItem::Kind::Separator) {
      ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuA(menu, MF_STRING, CommandOf(i), item.caption);
    }
  }
  return menu;
}

}  // namespace

WinTray::WinTray(HINSTANCE instance, HWND mainWindow, std::string iconFile)
    : instance_(instance), mainWindow_(mainWindow), iconFile_(std::move(iconFile)) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ::DefWindowProcA;
  windowClass.hInstance = instance_;
  windowClass.lpszClassName = kFormMenuClass;
  ::RegisterClassExA(&windowClass);
  // Never shown: it only owns the popup menu, so that the menu closes when
  // the user clicks elsewhere.
  formMenu_ = ::CreateWindowExA(WS_EX_TOOLWINDOW, kFormMenuClass, "Tarvelo", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance_, nullptr);
  menu_ = BuildMenu();
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  for (int n = 1; n <= ModuleTrayIcon::kFrameCount; ++n) {
    frames_[n - 1] = static_cast<HICON>(
        ::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_TRAY_FRAME1 + n - 1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  }
}

WinTray::~WinTray() {
  Remove();
  CloseFormMenu();
  if (menu_ != nullptr) ::DestroyMenu(menu_);
  for (HICON frame : frames_) {
    if (frame != nullptr) ::DestroyIcon(frame);
  }
  if (fileIcon_ != nullptr) ::DestroyIcon(fileIcon_);
}

void WinTray::Notify(DWORD message, HICON icon) {
  // The first layout of the record, which every version of the shell knows.
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = mainWindow_;
  data.uID = 0;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = icon;
  std::strcpy(data.szTip, "Tarvelo");
  ::Shell_NotifyIconA(message, &data);
}

void WinTray::Add() {
  // Loaded afresh at every add: the shell may have come back after the file
  // changed. Without a readable file the icon has no picture until the next frame.
  if (fileIcon_ != nullptr) ::DestroyIcon(fileIcon_);
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  fileIcon_ = static_cast<HICON>(::LoadImageA(nullptr, iconFile_.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
  Notify(NIM_ADD, fileIcon_);
  added_ = true;
}

void WinTray::ShowFrame(int frame) {
  if (frame < 1 || frame > ModuleTrayIcon::kFrameCount) return;
  Notify(NIM_MODIFY, frames_[frame - 1]);
}

void WinTray::Remove() {
  if (!added_) return;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = mainWindow_;
  data.uID = 0;
  ::Shell_NotifyIconA(NIM_DELETE, &data);
  added_ = false;
}

TrayCommand WinTray::CommandFor(LPARAM mouseMessage, const TrayWindows& windows) {
  TrayActivation activation = TrayActivation::Other;
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONDBLCLK: activation = TrayActivation::DoubleClick; break;
    case WM_RBUTTONDOWN: activation = TrayActivation::Context; break;
    default: break;
  }
  // The shell reports the double click itself: no single click stands for it.
  return MainWindowProc(activation, windows, false);
}

const TrayMenuItem* WinTray::PopUpMenu() {
  if (formMenu_ == nullptr || menu_ == nullptr) return nullptr;
  POINT at{};
  ::GetCursorPos(&at);
  // In front, or the menu would not close when the user clicks elsewhere.
  ::SetForegroundWindow(formMenu_);
  const UINT chosen = static_cast<UINT>(::TrackPopupMenuEx(
      menu_, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, formMenu_, nullptr));
  ::PostMessageA(formMenu_, WM_NULL, 0, 0);
  if (chosen == 0 || chosen > kTrayMenuItems.size()) return nullptr;
  return &kTrayMenuItems[chosen - 1];
}

void WinTray::CloseFormMenu() {
  if (formMenu_ == nullptr) return;
  ::DestroyWindow(formMenu_);
  formMenu_ = nullptr;
}

}  // namespace tarvelo::winapp
