#include "winapp/WinPages.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "button/CommandModel.h"
#include "button/WinCommand.h"
#include "forms/Forms.h"
#include "memory/MemoryPageLogic.h"
#include "memory/ModuleGetMemoryState.h"
#include "settings/Settings.h"
#include "monitor/WinCpuMonitor.h"
#include "platform/fake/FakePlatform.h"
#include "winui/WinUi.h"

namespace tarvelo::winapp {
namespace {

// Shown within its parent, whether or not the parent shows.
bool Shown(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

// A top-level window for the pages, never shown.
class WinPagesTest : public ::testing::Test {
 protected:
  WinPagesTest() {
    window = ::CreateWindowExW(0, L"STATIC", L"Tarvelo test", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  }
  ~WinPagesTest() override { ::DestroyWindow(window); }

  platform::fake::FakePlatform fake;
  HWND window;
};

// Each control's rectangle within its page, in pixels.
RECT PlaceIn(HWND control, HWND page) {
  RECT r;
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring TextOf(HWND control) {
  wchar_t text[512] = {};
  ::GetWindowTextW(control, text, 512);
  return text;
}

TEST_F(WinPagesTest, EveryControlOfEveryPageStandsWhereItsFormPutsIt) {
  WinPages pages(window, fake.platform);
  const UINT dpi = winui::DpiOf(window);
  for (const PageInfo& info : kPages) {
    winui::FormPanel& page = pages.Page(info.id);
    EXPECT_EQ(TextOf(page.Handle()), winui::Wide(info.panel));
    const RECT place = PlaceIn(page.Handle(), window);
    EXPECT_EQ(place.left, winui::TwipsToPixels(form::kPageLeft, dpi));
    EXPECT_EQ(place.right - place.left, winui::TwipsToPixels(info.panelWidth, dpi));
    for (const form::Control& c : page.Description().controls) {
      SCOPED_TRACE(std::string(info.panel) + "." + c.name);
      HWND control = page.Control(c.name);
      ASSERT_NE(control, nullptr);
      const RECT want = winui::RectOf(c, dpi);
      const RECT got = PlaceIn(control, page.Handle());
      EXPECT_EQ(got.left, want.left);
      EXPECT_EQ(got.top, want.top);
      if (c.width > 0 && c.kind != form::Kind::ComboList) {
        EXPECT_EQ(got.right, want.right);
        EXPECT_EQ(got.bottom, want.bottom);
      }
      EXPECT_EQ(Shown(control), !c.hidden);
      switch (c.kind) {
        case form::Kind::Label:
        case form::Kind::CheckBox:
          EXPECT_EQ(TextOf(control), winui::Wide(c.text));
          break;
        case form::Kind::Command:
          ASSERT_NE(button::WinCommand::Of(control), nullptr);
          EXPECT_EQ(button::WinCommand::Of(control)->Caption(), c.text);
          break;
        case form::Kind::ListView: {
          HWND header = ListView_GetHeader(control);
          EXPECT_EQ(static_cast<std::size_t>(Header_GetItemCount(header)), c.columns.size());
          EXPECT_EQ(ListView_GetColumnWidth(control, 0), winui::TwipsToPixels(c.columns[0].width, dpi));
          break;
        }
        case form::Kind::Monitor:
          EXPECT_NE(monitor::WinCpuMonitor::Of(control), nullptr);
          break;
        default:
          break;
      }
    }
  }
}

// Moved to a monitor of another DPI, every page is laid out again at it.
TEST_F(WinPagesTest, ANewDpiLaysEveryPageOutAgain) {
  WinPages pages(window, fake.platform);
  pages.SetDpi(144);
  for (const PageInfo& info : kPages) {
    winui::FormPanel& page = pages.Page(info.id);
    EXPECT_EQ(PlaceIn(page.Handle(), window).left, winui::TwipsToPixels(form::kPageLeft, 144));
    for (const form::Control& c : page.Description().controls) {
      if (c.width == 0 || c.kind == form::Kind::ComboList) continue;
      SCOPED_TRACE(std::string(info.panel) + "." + c.name);
      const RECT want = winui::RectOf(c, 144);
      const RECT got = PlaceIn(page.Control(c.name), page.Handle());
      EXPECT_EQ(got.left, want.left);
      EXPECT_EQ(got.bottom, want.bottom);
      if (auto* command = button::WinCommand::Of(page.Control(c.name))) {
        EXPECT_EQ(command->Model().Surface().Width(), want.right - want.left);
      }
    }
  }
}

// What a window shows, as it paints itself into a device context.
struct Shot {
  explicit Shot(HWND window) {
    RECT r;
    ::GetClientRect(window, &r);
    width = r.right;
    height = r.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = ::SelectObject(dc, bitmap);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  }
  ~Shot() {
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
  raster::Color At(int x, int y) const {
    const COLORREF c = ::GetPixel(dc, x, y);
    return raster::MakeColor(GetRValue(c), GetGValue(c), GetBValue(c));
  }
  int width = 0;
  int height = 0;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

// The program's buttons and the diagram show exactly what their recipes
// painted: the same pixels as the Qt program's, caption glyphs apart.
TEST_F(WinPagesTest, ButtonsAndTheDiagramShowTheirRecipesPixelForPixel) {
  WinPages pages(window, fake.platform);
  std::vector<std::pair<HWND, const raster::PixelSurface*>> painted;
  int border = 0;
  for (const PageInfo& info : kPages) {
    winui::FormPanel& page = pages.Page(info.id);
    for (const form::Control& c : page.Description().controls) {
      if (auto* command = button::WinCommand::Of(page.Control(c.name))) {
        painted.emplace_back(command->Handle(), &command->Model().Surface());
      }
      if (auto* diagram = monitor::WinCpuMonitor::Of(page.Control(c.name))) {
        painted.emplace_back(diagram->Handle(), &diagram->Model().Surface());
        border = diagram->Model().BorderWidth();
      }
    }
  }
  ASSERT_EQ(painted.size(), 5u);  // four buttons on the pages, one diagram
  for (const auto& [handle, surface] : painted) {
    const Shot shot(handle);
    const int offset = monitor::WinCpuMonitor::Of(handle) != nullptr ? border : 0;
    ASSERT_GT(surface->Width(), 0);
    int differing = 0;
    for (int y = 0; y < surface->Height(); ++y) {
      for (int x = 0; x < surface->Width(); ++x) differing += shot.At(x + offset, y + offset) != surface->Pixel(x, y);
    }
    EXPECT_EQ(differing, 0) << "of " << surface->Width() << " x " << surface->Height();
  }
}

TEST_F(WinPagesTest, OnePageShowsAtATime) {
  WinPages pages(window, fake.platform);
  ::ShowWindow(window, SW_SHOWNA);
  for (const PageInfo& shown : kPages) {
    pages.Show(shown.id);
    for (const PageInfo& other : kPages) {
      EXPECT_EQ(Shown(pages.Page(other.id).Handle()), other.id == shown.id)
          << shown.panel << " / " << other.panel;
    }
  }
}

// A label sized by its text follows it; text from outside is never read as
// a prefix or markup.
TEST_F(WinPagesTest, ALabelTakesTheSizeOfItsNewTextAsPlainText) {
  WinPages pages(window, fake.platform);
  winui::FormPanel& status = pages.Page(PageId::State);
  HWND label = status.Control("LabelStateNowImproving");
  const RECT before = PlaceIn(label, status.Handle());
  status.SetText("LabelStateNowImproving", "&Editor <b>\u00e9t\u00e9</b> - a much longer title");
  const RECT after = PlaceIn(label, status.Handle());
  EXPECT_GT(after.right - after.left, before.right - before.left);
  EXPECT_EQ(TextOf(label), L"&Editor <b>\u00e9t\u00e9</b> - a much longer title");
  EXPECT_NE(::GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX, 0);
}

std::string Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return winui::Utf8(text);
}

// The page's logic drives the system's controls as it drives Qt's: settings
// onto the controls and back, figures into labels, rows into the log.
TEST_F(WinPagesTest, TheMemoryPagesLogicWorksTheSystemsControls) {
  WinPages pages(window, fake.platform);
  winui::FormPanel& page = pages.Page(PageId::Memory);
  Settings settings(*fake.platform.settingsFile);
  settings.WriteSetting(keys::EnableFreeMemory, "1");
  settings.WriteSetting(keys::AutoFreeMemoryInterval, "5 minute");
  MemoryPageLogic logic(page, settings, [] { return std::string("12:00:01"); });
  logic.FillIntervalList();
  EXPECT_EQ(logic.Interval(), "1 minute");
  logic.LoadSettings();
  EXPECT_TRUE(logic.AutoReleaseEnabled());
  EXPECT_EQ(logic.Interval(), "5 minute");

  // An entry differing only in case is not the stored one.
  settings.WriteSetting(keys::AutoFreeMemoryInterval, "10 MINUTE");
  logic.LoadSettings();
  EXPECT_EQ(logic.Interval(), "1 minute");

  page.SetChecked("CheckEnableAutoFreeMemory", false);
  logic.AutoReleaseClicked();
  EXPECT_EQ(settings.ReadSetting(keys::EnableFreeMemory), "0");

  logic.ShowMemoryFigures({4096, 1024, 3072, 25});
  EXPECT_EQ(page.Text("LabelMemoryAll"), "4096 MB");
  EXPECT_EQ(page.Text("LabelMemoryUsedPercent"), "25%");

  logic.AppendReleaseLog(37);
  logic.AppendReleaseLog(0);
  HWND log = page.Control("ListViewMemoryLog");
  ASSERT_EQ(page.RowCount("ListViewMemoryLog"), 2);
  EXPECT_EQ(Cell(log, 1, 0), "2");
  EXPECT_EQ(Cell(log, 1, 1), "12:00:01");
  EXPECT_EQ(Cell(log, 0, 2), "37 MB memory released.");
}

}  // namespace
}  // namespace tarvelo::winapp
