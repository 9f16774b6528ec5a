#pragma once

#include <windows.h>

#include <array>
#include <memory>

#include "common/Pages.h"
#include "winui/FormPanel.h"

namespace platform {
struct Platform;
}

namespace tarvelo::winapp {

// The six pages of the main window, each a panel built from its form, at the
// pages' place; one is shown at a time.
class WinPages {
 public:
  WinPages(HWND mainWindow, platform::Platform& platform);

  winui::FormPanel& Page(PageId page) { return *pages_[IndexOf(page)]; }
  // Shows page's panel and hides the others.
  void Show(PageId page);
  // The main window moved to a monitor of another DPI: every page laid out again.
  void SetDpi(UINT dpi);

 private:
  std::array<std::unique_ptr<winui::FormPanel>, kPageCount> pages_;
};

}  // namespace tarvelo::winapp
