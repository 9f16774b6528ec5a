#include "winapp/WinLimitDialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "button/WinCommand.h"
#include "forms/Forms.h"
#include "winui/FormPanel.h"
#include "winui/WinUi.h"

namespace tarvelo::winapp {
namespace {

// Shown within its parent, whether or not the parent shows.
bool Shown(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

HWND Child(HWND dialog, const char* name) {
  // The dialog's one panel holds the form's controls, by id.
  HWND panel = ::GetWindow(dialog, GW_CHILD);
  const form::Form& f = form::LimitDialogForm();
  for (std::size_t i = 0; i < f.controls.size(); ++i) {
    if (std::string_view(f.controls[i].name) == name) {
      return ::GetDlgItem(panel, winui::FormPanel::kFirstId + static_cast<int>(i));
    }
  }
  return nullptr;
}

// A click as the mouse makes it, queued for the dialog's own loop.
void QueueClick(HWND button) {
  ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

std::wstring TextOf(HWND control) {
  wchar_t text[256] = {};
  ::GetWindowTextW(control, text, 256);
  return text;
}

TEST(WinLimitDialog, ANewLimitOffersOkAndCancelAndReturnsTheSlidersPercent) {
  WinLimitDialog dialog(nullptr, false, "4242", "C:\\Program Files\\Editor\\editor.exe", nullptr, 40);
  EXPECT_EQ(TextOf(dialog.Handle()), L"Limit process CPU usage");
  EXPECT_TRUE(Shown(Child(dialog.Handle(), "CommandOK")));
  EXPECT_FALSE(Shown(Child(dialog.Handle(), "CommandModify")));
  EXPECT_EQ(TextOf(Child(dialog.Handle(), "LabelProcessPID")), L"4242");
  EXPECT_EQ(TextOf(Child(dialog.Handle(), "LabelPercent")), L"40");
  ::SendMessageW(Child(dialog.Handle(), "SliderPercent"), TBM_SETPOS, TRUE, 25);
  QueueClick(Child(dialog.Handle(), "CommandOK"));
  const CpuPageHost::DialogResult result = dialog.Run();
  EXPECT_EQ(result.outcome, CpuPageHost::Outcome::Ok);
  EXPECT_EQ(result.percent, 25);
}

TEST(WinLimitDialog, AHeldLimitOffersAdjustmentAndReleaseAndClosingCancels) {
  {
    WinLimitDialog dialog(nullptr, true, "7", "editor.exe", nullptr, 60);
    EXPECT_TRUE(Shown(Child(dialog.Handle(), "CommandFree")));
    EXPECT_FALSE(Shown(Child(dialog.Handle(), "CommandCancel")));
    QueueClick(Child(dialog.Handle(), "CommandFree"));
    EXPECT_EQ(dialog.Run().outcome, CpuPageHost::Outcome::Release);
  }
  WinLimitDialog dialog(nullptr, true, "7", "editor.exe", nullptr, 60);
  ::PostMessageW(dialog.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dialog.Run().outcome, CpuPageHost::Outcome::Cancel);
}

// A path with control characters is shown as visible, plain text.
TEST(WinLimitDialog, TheProcessPathIsShownAsPlainVisibleText) {
  WinLimitDialog dialog(nullptr, false, "1", "C:\\a&b\x01<i>.exe", nullptr, 99);
  const std::wstring shown = TextOf(Child(dialog.Handle(), "LabelProcessPath"));
  EXPECT_EQ(shown.find(L'\x01'), std::wstring::npos);
  EXPECT_NE(shown.find(L"a&b"), std::wstring::npos);
  EXPECT_NE(::GetWindowLongW(Child(dialog.Handle(), "LabelProcessPath"), GWL_STYLE) & SS_NOPREFIX, 0);
}

}  // namespace
}  // namespace tarvelo::winapp
