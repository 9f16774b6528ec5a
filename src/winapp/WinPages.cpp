#include "winapp/WinPages.h"

#include "button/WinCommand.h"
#include "forms/Forms.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "monitor/WinCpuMonitor.h"
#include "platform/Platform.h"
#include "winapp/resource.h"
#include "winui/WinUi.h"

namespace tarvelo::winapp {

namespace {

constexpr wchar_t kPictureClass[] = L"TarveloPicture";

// A page's picture: the program's emblem at the picture's size.
LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    RECT r;
    ::GetClientRect(window, &r);
    const int side = r.right < r.bottom ? r.right : r.bottom;
    if (auto* icon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TARVELO),
                                                     IMAGE_ICON, side, side, LR_DEFAULTCOLOR))) {
      ::DrawIconEx(dc, (r.right - side) / 2, (r.bottom - side) / 2, icon, side, side, 0, nullptr, DI_NORMAL);
      ::DestroyIcon(icon);
    }
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

HWND MakePicture(HWND panel, const form::Control& control, int id, UINT dpi) {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PictureProcedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kPictureClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
  const RECT r = winui::RectOf(control, dpi);
  return ::CreateWindowExW(0, kPictureClass, winui::Wide(control.name).c_str(), WS_CHILD, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

// A page's ground: white, in a rounded frame of light blue-grey.
void PaintPageGround(HDC dc, const RECT& client) {
  HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0xC6, 0xD2, 0xE0));
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::RoundRect(dc, client.left, client.top, client.right, client.bottom, 8, 8);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
  ::DeleteObject(pen);
}

}  // namespace

WinPages::WinPages(HWND mainWindow, platform::Platform& platform) {
  const UINT dpi = winui::DpiOf(mainWindow);
  const POINT at{winui::TwipsToPixels(form::kPageLeft, dpi), winui::TwipsToPixels(form::kPageTop, dpi)};
  for (const PageInfo& info : kPages) {
    auto custom = [&platform](HWND panel, const form::Control& control, int id, UINT controlDpi) -> HWND {
      switch (control.kind) {
        case form::Kind::Command: {
          button::WinCommand* command = button::WinCommand::Place(panel, control, id, controlDpi);
          return command != nullptr ? command->Handle() : nullptr;
        }
        case form::Kind::Monitor: {
          monitor::WinCpuMonitor* diagram = monitor::WinCpuMonitor::Create(
              panel, winui::RectOf(control, controlDpi), id, monitor::MonitorPlatform::From(platform));
          if (diagram == nullptr) return nullptr;
          diagram->ReadProperties(form::StatusDiagramProperties());
          return diagram->Handle();
        }
        default:
          return MakePicture(panel, control, id, controlDpi);
      }
    };
    pages_[IndexOf(info.id)] =
        std::make_unique<winui::FormPanel>(mainWindow, form::PageForm(info.id), at, custom, PaintPageGround);
  }
}

void WinPages::SetDpi(UINT dpi) {
  const POINT at{winui::TwipsToPixels(form::kPageLeft, dpi), winui::TwipsToPixels(form::kPageTop, dpi)};
  for (auto& page : pages_) {
    page->SetDpi(dpi, at, [](HWND control, UINT controlDpi) {
      if (button::WinCommand* command = button::WinCommand::Of(control)) command->SetDpi(controlDpi);
    });
  }
}

void WinPages::Show(PageId page) {
  for (const PageInfo& info : kPages) {
    ::ShowWindow(pages_[IndexOf(info.id)]->Handle(), info.id == page ? SW_SHOWNA : SW_HIDE);
  }
}

}  // namespace tarvelo::winapp
