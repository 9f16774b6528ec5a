#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "cpulimit/CpuPageLogic.h"

namespace tarvelo::winapp {

// The dialog that limits a process's CPU use, built from its form: modal to
// its owner, the process's icon, pid and path, the slider and either "OK" and
// "Cancel" (a new limit) or "Adjustment" and "Release" (a limit held).
class WinLimitDialog {
 public:
  static constexpr wchar_t kClassName[] = L"TarveloLimitDialog";

  // icon: the program's large icon, or null.
  WinLimitDialog(HWND owner, bool changeLimit, std::string_view pid, const std::string& path, HICON icon,
                 int percent);
  ~WinLimitDialog();
  WinLimitDialog(const WinLimitDialog&) = delete;
  WinLimitDialog& operator=(const WinLimitDialog&) = delete;

  // Shows the dialog and waits until it is closed.
  CpuPageHost::DialogResult Run();

  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Finish(CpuPageHost::Outcome outcome);

  HWND owner_;
  HWND window_ = nullptr;
  struct Parts;
  Parts* parts_ = nullptr;
  CpuPageHost::DialogResult result_;
  bool done_ = false;
  bool changeLimit_;
};

}  // namespace tarvelo::winapp
