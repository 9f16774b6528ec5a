#include "monitor/WinCpuMonitor.h"

#include "winui/WinUi.h"

namespace tarvelo::monitor {

namespace {

constexpr wchar_t kClass[] = L"TarveloCpuMonitor";
constexpr UINT_PTR kTimer1 = 1;

void RegisterClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;  // each window gets its object's procedure
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

void Line(HDC dc, int x, int y, int width, int height, COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  const RECT r{x, y, x + width, y + height};
  ::FillRect(dc, &r, brush);
  ::DeleteObject(brush);
}

}  // namespace

WinCpuMonitor::WinCpuMonitor(HWND window, MonitorPlatform platform)
    : window_(window), model_(std::move(platform), *this, true) {}

WinCpuMonitor* WinCpuMonitor::Create(HWND parent, const RECT& rect, int id, MonitorPlatform platform) {
  RegisterClass();
  HWND window = ::CreateWindowExW(0, kClass, L"", WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) return nullptr;
  auto* monitor = new WinCpuMonitor(window, std::move(platform));
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(monitor));
  ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinCpuMonitor::Procedure));
  return monitor;
}

WinCpuMonitor* WinCpuMonitor::Of(HWND window) {
  wchar_t name[32] = {};
  if (window == nullptr || ::GetClassNameW(window, name, 32) == 0 || std::wstring_view(name) != kClass) {
    return nullptr;
  }
  return reinterpret_cast<WinCpuMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void WinCpuMonitor::ReadProperties(const PropertyBag& bag) {
  RECT client;
  ::GetClientRect(window_, &client);
  model_.Resize(client.right, client.bottom);
  model_.ReadProperties(bag);
  model_.RedrawDiagram();
}

bool WinCpuMonitor::SetTimerInterval(int milliseconds) {
  if (milliseconds < 0) return false;
  interval_ = milliseconds;
  SetTimerEnabled(timerEnabled_);
  return true;
}

void WinCpuMonitor::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  // An interval of 0 is a timer that does not fire.
  if (enabled && interval_ > 0) ::SetTimer(window_, kTimer1, static_cast<UINT>(interval_), nullptr);
  else ::KillTimer(window_, kTimer1);
}

void WinCpuMonitor::RaisePropertyChanged(std::string_view name) {
  if (name == "Enabled") ::EnableWindow(window_, model_.Enabled() ? TRUE : FALSE);
}

void WinCpuMonitor::Present() { ::InvalidateRect(window_, nullptr, FALSE); }

void WinCpuMonitor::RaiseUpdate(const SystemLevelsReport& levels) {
  if (update_) update_(levels);
}

bool WinCpuMonitor::PictureShown() const { return ::IsWindowVisible(window_) != FALSE; }

LRESULT CALLBACK WinCpuMonitor::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* monitor = reinterpret_cast<WinCpuMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (monitor == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::KillTimer(window, kTimer1);
    delete monitor;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return monitor->Handle(message, wParam, lParam);
}

void WinCpuMonitor::Paint(HDC dc) const {
  RECT client;
  ::GetClientRect(window_, &client);
  PaintBorder(dc, client);
  const int border = model_.BorderWidth();
  winui::PaintSurface(dc, border, border, model_.Surface());
}

void WinCpuMonitor::PaintBorder(HDC dc, const RECT& r) const {
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  auto edge = [&](int inset, COLORREF topLeft, COLORREF bottomRight) {
    Line(dc, inset, inset, w - 2 * inset, 1, topLeft);
    Line(dc, inset, inset, 1, h - 2 * inset, topLeft);
    Line(dc, inset, h - 1 - inset, w - 2 * inset, 1, bottomRight);
    Line(dc, w - 1 - inset, inset, 1, h - 2 * inset, bottomRight);
  };
  switch (model_.BorderWidth()) {
    case 1:  // flat, fixed single: a black line
      edge(0, RGB(0, 0, 0), RGB(0, 0, 0));
      break;
    case 2:  // three-dimensional: a sunken edge
      edge(0, RGB(160, 160, 160), RGB(255, 255, 255));
      edge(1, RGB(105, 105, 105), RGB(227, 227, 227));
      break;
    default:
      break;
  }
}

LRESULT WinCpuMonitor::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimer1) model_.Timer1Tick();
      return 0;
    case WM_SIZE:
      model_.Resize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window_, &paint);
      Paint(dc);
      ::EndPaint(window_, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      // Into a device context of the caller's: animations, magnifiers, tests.
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace tarvelo::monitor
