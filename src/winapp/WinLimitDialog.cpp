#include "winapp/WinLimitDialog.h"

#include <commctrl.h>

#include <memory>

#include "button/WinCommand.h"
#include "common/PlainText.h"
#include "forms/Forms.h"
#include "winui/FormPanel.h"
#include "winui/WinUi.h"

namespace tarvelo::winapp {

struct WinLimitDialog::Parts {
  std::unique_ptr<winui::FormPanel> panel;
};

namespace {

void RegisterDialogClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;  // the dialog's own procedure once it exists
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = WinLimitDialog::kClassName;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

WinLimitDialog::WinLimitDialog(HWND owner, bool changeLimit, std::string_view pid, const std::string& path,
                               HICON icon, int percent)
    : owner_(owner), parts_(new Parts), changeLimit_(changeLimit) {
  RegisterDialogClass();
  const form::Form& f = form::LimitDialogForm();
  const UINT dpi = winui::DpiOf(owner);
  RECT frame{0, 0, winui::TwipsToPixels(f.width, dpi), winui::TwipsToPixels(f.height, dpi)};
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, WS_EX_DLGMODALFRAME);
  // Centred on its owner.
  RECT ownerRect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (owner != nullptr && ::IsWindowVisible(owner)) ::GetWindowRect(owner, &ownerRect);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  window_ = ::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, winui::Wide(f.caption).c_str(),
                              kStyle, (ownerRect.left + ownerRect.right - width) / 2,
                              (ownerRect.top + ownerRect.bottom - height) / 2, width, height, owner, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinLimitDialog::Procedure));

  auto custom = [this, icon](HWND panel, const form::Control& control, int id, UINT controlDpi) -> HWND {
    if (control.kind == form::Kind::Command) {
      button::WinCommand* command = button::WinCommand::Place(panel, control, id, controlDpi);
      if (command == nullptr) return nullptr;
      const std::string_view name = control.name;
      const CpuPageHost::Outcome outcome = name == "CommandOK"           ? CpuPageHost::Outcome::Ok
                                           : name == "CommandModify"     ? CpuPageHost::Outcome::Adjustment
                                           : name == "CommandFree"       ? CpuPageHost::Outcome::Release
                                                                         : CpuPageHost::Outcome::Cancel;
      command->OnClick([this, outcome] { Finish(outcome); });
      return command->Handle();
    }
    // The process's icon, centred.
    const RECT r = winui::RectOf(control, controlDpi);
    HWND picture = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL,
                                     r.left, r.top, r.right - r.left, r.bottom - r.top, panel,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                     nullptr);
    if (icon != nullptr) ::SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    return picture;
  };
  parts_->panel = std::make_unique<winui::FormPanel>(window_, f, POINT{0, 0}, custom);
  winui::FormPanel& panel = *parts_->panel;
  ::ShowWindow(panel.Handle(), SW_SHOWNA);
  panel.SetText("LabelProcessPID", pid);
  // The path comes from the process: shown as plain, visible text.
  panel.SetText("LabelProcessPath", PlainText::Displayable(path));
  HWND slider = panel.Control("SliderPercent");
  ::SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(1, 99));
  ::SendMessageW(slider, TBM_SETTICFREQ, 10, 0);
  ::SendMessageW(slider, TBM_SETPOS, TRUE, percent);
  panel.SetText("LabelPercent", std::to_string(::SendMessageW(slider, TBM_GETPOS, 0, 0)));
  panel.OnNotified([this](const form::Control& control, UINT) {
    if (std::string_view(control.name) != "SliderPercent") return;
    HWND s = parts_->panel->Control("SliderPercent");
    parts_->panel->SetText("LabelPercent", std::to_string(::SendMessageW(s, TBM_GETPOS, 0, 0)));
  });
  panel.Show("CommandModify", changeLimit);
  panel.Show("CommandFree", changeLimit);
  panel.Show("CommandOK", !changeLimit);
  panel.Show("CommandCancel", !changeLimit);
  // Return confirms: the dialog's default button.
  button::WinCommand::Of(panel.Control(changeLimit ? "CommandModify" : "CommandOK"))->SetDefaultButton(true);
}

WinLimitDialog::~WinLimitDialog() {
  delete parts_;  // the panel goes before its window
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

CpuPageHost::DialogResult WinLimitDialog::Run() {
  if (owner_ != nullptr) ::EnableWindow(owner_, FALSE);
  ::ShowWindow(window_, SW_SHOW);
  ::SetFocus(parts_->panel->Control("SliderPercent"));
  MSG message;
  while (!done_ && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Return presses the default button, Escape cancels, Tab moves on.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && ::IsChild(window_, message.hwnd)) {
      Finish(CpuPageHost::Outcome::Cancel);
      continue;
    }
    if (::IsDialogMessageW(window_, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  // A WM_QUIT that ended the wait goes on to the program's own loop.
  if (!done_) ::PostQuitMessage(static_cast<int>(message.wParam));
  if (owner_ != nullptr) ::EnableWindow(owner_, TRUE);
  ::ShowWindow(window_, SW_HIDE);
  if (owner_ != nullptr) ::SetActiveWindow(owner_);
  result_.percent = static_cast<int>(::SendMessageW(parts_->panel->Control("SliderPercent"), TBM_GETPOS, 0, 0));
  return result_;
}

void WinLimitDialog::Finish(CpuPageHost::Outcome outcome) {
  result_.outcome = outcome;
  done_ = true;
  ::PostMessageW(window_, WM_NULL, 0, 0);  // wakes the loop
}

LRESULT CALLBACK WinLimitDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* dialog = reinterpret_cast<WinLimitDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog != nullptr && message == WM_CLOSE) {
    dialog->Finish(CpuPageHost::Outcome::Cancel);
    return 0;
  }
  // Return, where the control in focus does not take it: the default button.
  if (dialog != nullptr && message == WM_COMMAND && LOWORD(wParam) == IDOK && lParam == 0) {
    dialog->Finish(dialog->changeLimit_ ? CpuPageHost::Outcome::Adjustment : CpuPageHost::Outcome::Ok);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarvelo::winapp
