#include "winapp/WinMainWindow.h"

#include <shellapi.h>
#include <windowsx.h>

#include "app/ModuleAd.h"
#include "forms/Forms.h"
#include "winapp/resource.h"
#include "winui/WinUi.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace tarvelo::winapp {

namespace {

// The banner's control id.
constexpr int kAdBannerId = 900;

// Posted when the window's visibility may have changed.
constexpr UINT kDisplayChanged = WM_APP + 20;

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kCaptionStrip = RGB(0x1e, 0x3a, 0x5f);
constexpr COLORREF kNavigation = RGB(0x2b, 0x57, 0x8c);
constexpr COLORREF kNavigationSelected = RGB(255, 128, 0);
constexpr form::Font kNavigationFont{"Verdana", 8.25, true};

}  // namespace

WinMainWindow::WinMainWindow(HINSTANCE instance, WinAppContext context, std::string iconFile, std::string siteRoot)
    : instance_(instance), context_(context), iconFile_(std::move(iconFile)), siteRoot_(std::move(siteRoot)) {}

WinMainWindow::~WinMainWindow() {
  tray_.reset();
  if (window_ != nullptr) ::DestroyWindow(window_);
}

bool WinMainWindow::Create() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &WinMainWindow::WindowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_TARVELO));
  windowClass.hIconSm = static_cast<HICON>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_TARVELO), IMAGE_ICON,
                                                        ::GetSystemMetrics(SM_CXSMICON),
                                                        ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.lpszClassName = kClassName;
  if (::RegisterClassExA(&windowClass) == 0) return false;

  // Without a frame; the system menu and the minimise box give the taskbar
  // button its "Minimize" and "Close".
  window_ = ::CreateWindowExA(WS_EX_APPWINDOW, kClassName, "Tarvelo", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance_, this);
  if (window_ == nullptr) return false;
  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(windowClass.hIcon));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windowClass.hIconSm));

  // Sized at the DPI of the monitor it opens on, then centred on that monitor.
  dpi_ = static_cast<int>(winui::DpiOf(window_));
  const int width = winui::TwipsToPixels(form::MainForm().width, static_cast<UINT>(dpi_));
  const int height = winui::TwipsToPixels(form::MainForm().height, static_cast<UINT>(dpi_));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& screen = monitor.rcMonitor;
  const int left = screen.left + (screen.right - screen.left - width) / 2;
  const int top = screen.top + (screen.bottom - screen.top - height) / 2;
  ::SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

  taskbarCreatedMessage_ = ::RegisterWindowMessageA("TaskbarCreated");
  tray_ = std::make_unique<WinTray>(instance_, window_, iconFile_);
  BuildPages();
  ShowPage(PageId::State);
  return true;
}

void WinMainWindow::BuildPages() {
  // The chrome's labels; its pictures are painted by the window itself.
  for (const form::Control& control : form::MainForm().controls) {
    if (control.kind != form::Kind::Label) continue;
    const bool banner = std::string_view(control.name) == "LabelAd";
    HWND label = ::CreateWindowExW(0, L"STATIC", winui::Wide(control.text).c_str(),
                                   WS_CHILD | SS_LEFT | SS_NOPREFIX | (control.wrap ? 0 : SS_LEFTNOWORDWRAP) |
                                       (banner ? SS_NOTIFY : 0),
                                   0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(banner ? kAdBannerId : 0)), instance_,
                                   nullptr);
    // The banner shows once an advertisement arrives.
    if (!banner) ::ShowWindow(label, SW_SHOWNA);
    if (banner) {
      ad_ = std::make_unique<WinAdBanner>(window_, label, ModuleAd::AdAddress(siteRoot_),
                                          ModuleAd::AdPageAddress(siteRoot_));
    }
    chromeLabels_.push_back({label, &control});
  }
  LayOutChrome();
  pages_ = std::make_unique<WinPages>(window_, context_.platform);
  behaviour_ = std::make_unique<WinPageBehaviour>(window_, *pages_, context_.platform, context_.settings,
                                                  context_.startOptions);
  startsHidden_ = behaviour_->Load();
  // The About page's link to the web site.
  winui::FormPanel& about = pages_->Page(PageId::About);
  about.SetText("LabelHomepage", siteRoot_);
  about.OnNotified([this](const form::Control& control, UINT code) {
    if (std::string_view(control.name) == "LabelHomepage" && code == STN_CLICKED) {
      ::ShellExecuteA(window_, "open", siteRoot_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
  });
}

void WinMainWindow::LayOutChrome() {
  const UINT dpi = static_cast<UINT>(dpi_);
  for (const ChromeLabel& chrome : chromeLabels_) {
    const form::Control& control = *chrome.control;
    RECT r = winui::RectOf(control, dpi);
    HFONT font = winui::FontOf(control.font.value_or(form::kWindowFont), dpi);
    ::SendMessageW(chrome.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (control.width == 0) {
      // As large as its text.
      const SIZE size = winui::TextSize(chrome.window, font, winui::Wide(control.text));
      r.right = r.left + size.cx;
      r.bottom = r.top + size.cy;
    }
    ::SetWindowPos(chrome.window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void WinMainWindow::ShowPage(PageId page) {
  visiblePage_ = page;
  if (pages_) pages_->Show(page);
  if (behaviour_) behaviour_->PageShown(page);
  if (window_ != nullptr) ::InvalidateRect(window_, nullptr, FALSE);
}

void WinMainWindow::AddTrayIcon() {
  tray_->Icon().TrayFrame = 1;
  tray_->Icon().AddTrayIcon();
  ::SetTimer(window_, kTimerTrayIconId, ModuleTrayIcon::kTimerTrayIconMs, nullptr);
}

void WinMainWindow::Show() {
  ::ShowWindow(window_, SW_SHOW);
  ::SetForegroundWindow(window_);
}

void WinMainWindow::HideToTray() {
  // The process, its timers and the tray icon go on.
  ::ShowWindow(window_, SW_HIDE);
}

void WinMainWindow::Minimize() { ::ShowWindow(window_, SW_MINIMIZE); }

void WinMainWindow::ExitProgram() {
  if (exiting_) return;
  exiting_ = true;
  ::KillTimer(window_, kTimerTrayIconId);
  // Every priority, weight and limit the pages set is lifted now.
  behaviour_.reset();
  ad_.reset();
  tray_->Icon().DeleteTrayIcon();
  tray_->CloseFormMenu();
  ::DestroyWindow(window_);
}

RECT WinMainWindow::Place(const char* control) const {
  return winui::RectOf(form::MainForm()[control], static_cast<UINT>(dpi_));
}

std::optional<PageId> WinMainWindow::NavigationAt(POINT point) const {
  const UINT dpi = static_cast<UINT>(dpi_);
  for (const PageInfo& info : kPages) {
    const int left = winui::TwipsToPixels(kNavigationLeft, dpi);
    const int top = winui::TwipsToPixels(info.imageTop, dpi);
    const RECT entry{left, top, left + winui::TwipsToPixels(kNavigationWidth, dpi),
                     top + winui::TwipsToPixels(kNavigationHeight, dpi)};
    if (::PtInRect(&entry, point)) return info.id;
  }
  return std::nullopt;
}

ChromeButton* WinMainWindow::ChromeAt(POINT point, RECT* rect) {
  const RECT min = Place("ImageMin");
  const RECT exit = Place("ImageExit");
  if (::PtInRect(&min, point)) {
    if (rect != nullptr) *rect = min;
    return &imageMin_;
  }
  if (::PtInRect(&exit, point)) {
    if (rect != nullptr) *rect = exit;
    return &imageExit_;
  }
  return nullptr;
}

void WinMainWindow::ChromeAction(ChromeButton::Action action) {
  if (action == ChromeButton::Action::Minimize) Minimize();
  if (action == ChromeButton::Action::HideToTray) HideToTray();
}

void WinMainWindow::RunMenuItem(const TrayMenuItem& item) {
  switch (item.kind) {
    case TrayMenuItem::Kind::Page:
      // Shown as it was: a minimised window stays minimised.
      ::ShowWindow(window_, SW_SHOW);
      ::SetForegroundWindow(window_);
      ShowPage(item.page);
      break;
    case TrayMenuItem::Kind::HomePage:
      ::ShellExecuteA(window_, "open", siteRoot_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      break;
    case TrayMenuItem::Kind::Exit:
      ExitProgram();
      break;
    case TrayMenuItem::Kind::Separator:
      break;
  }
}

void WinMainWindow::OnTrayCallback(LPARAM mouseMessage) {
  // A minimised window counts as visible: only a hidden one comes back.
  const TrayWindows windows{::IsWindowVisible(window_) != FALSE, false};
  switch (WinTray::CommandFor(mouseMessage, windows)) {
    case TrayCommand::ShowMainWindow:
      ::ShowWindow(window_, SW_SHOW);
      ::SendMessageA(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
      ::SetForegroundWindow(window_);
      break;
    case TrayCommand::PopUpMenu:
      if (const TrayMenuItem* item = tray_->PopUpMenu()) RunMenuItem(*item);
      break;
    case TrayCommand::None:
      break;
  }
}

void WinMainWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window_, &paint);
  RECT client;
  ::GetClientRect(window_, &client);
  const HBRUSH background = ::CreateSolidBrush(kBackground);
  ::FillRect(dc, &client, background);
  ::DeleteObject(background);
  const RECT caption = Place("ImageCaption");
  const HBRUSH strip = ::CreateSolidBrush(kCaptionStrip);
  ::FillRect(dc, &caption, strip);
  // The navigation column: one entry per page, the shown one marked.
  const UINT dpi = static_cast<UINT>(dpi_);
  HGDIOBJ oldFont = ::SelectObject(dc, winui::FontOf(kNavigationFont, dpi));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  for (const PageInfo& info : kPages) {
    const int left = winui::TwipsToPixels(kNavigationLeft, dpi);
    const int top = winui::TwipsToPixels(info.imageTop, dpi);
    const RECT entry{left, top, left + winui::TwipsToPixels(kNavigationWidth, dpi),
                     top + winui::TwipsToPixels(kNavigationHeight, dpi)};
    const HBRUSH fill = ::CreateSolidBrush(info.id == visiblePage_ ? kNavigationSelected : kNavigation);
    ::FillRect(dc, &entry, fill);
    ::DeleteObject(fill);
    RECT text{winui::TwipsToPixels(kNavigationLabelLeft, dpi), entry.top, entry.right, entry.bottom};
    const std::wstring entryCaption = winui::Wide(info.caption);
    ::DrawTextW(dc, entryCaption.c_str(), static_cast<int>(entryCaption.size()), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  ::SelectObject(dc, oldFont);
  // The chrome buttons: a frame, and the frame filled while pressed.
  for (ChromeButton* button : {&imageMin_, &imageExit_}) {
    RECT rect = Place(button == &imageMin_ ? "ImageMin" : "ImageExit");
    if (button->VisiblePicture() == ChromeButton::kPressed) ::FillRect(dc, &rect, strip);
    ::FrameRect(dc, &rect, strip);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, button->VisiblePicture() == ChromeButton::kPressed ? kBackground : kCaptionStrip);
    ::DrawTextA(dc, button == &imageMin_ ? "_" : "x", 1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  ::DeleteObject(strip);
  ::EndPaint(window_, &paint);
}

LRESULT CALLBACK WinMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<WinMainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WinMainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  if (self == nullptr || self->window_ == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT WinMainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WinTray::kTrayCallbackMessage) {
    OnTrayCallback(lParam);
    return 0;
  }
  if (taskbarCreatedMessage_ != 0 && message == taskbarCreatedMessage_) {
    // The shell came back without the icon.
    if (!exiting_) tray_->Icon().AddTrayIcon();
    return 0;
  }
  switch (message) {
    case WM_TIMER:
      if (wParam == kTimerTrayIconId) tray_->Icon().TimerTrayIcon();
      else if (ad_ && ad_->OnTimer(wParam)) return 0;
      else if (behaviour_) behaviour_->OnTimer(wParam);
      return 0;
    case WinAdBanner::kDownloaded:
      if (ad_) ad_->OnDownloaded(lParam);
      else delete reinterpret_cast<std::string*>(lParam);
      return 0;
    case WM_COMMAND:
      if (ad_ && LOWORD(wParam) == kAdBannerId && HIWORD(wParam) == STN_CLICKED) {
        ad_->Clicked();
        return 0;
      }
      return ::DefWindowProcA(window_, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
      for (const ChromeLabel& chrome : chromeLabels_) {
        if (reinterpret_cast<HWND>(lParam) != chrome.window) continue;
        const COLORREF color = winui::ColorOf(chrome.control->color.value_or(form::Rgb{0, 0, 0}));
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, color);
        ::SetBkMode(dc, TRANSPARENT);
        // The title stands on the caption strip, the others on the window's white.
        return reinterpret_cast<LRESULT>(::GetStockObject(color == RGB(255, 255, 255) ? NULL_BRUSH : WHITE_BRUSH));
      }
      return ::DefWindowProcA(window_, message, wParam, lParam);
    case WM_NCHITTEST: {
      // The caption strip drags the window, as a title bar would.
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ::ScreenToClient(window_, &point);
      const RECT caption = Place("ImageCaption");
      if (::PtInRect(&caption, point) && ChromeAt(point) == nullptr) return HTCAPTION;
      return HTCLIENT;
    }
    case WM_MOUSEMOVE: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ChromeButton* over = ChromeAt(point);
      for (ChromeButton* button : {&imageMin_, &imageExit_}) {
        const int before = button->VisiblePicture();
        if (button == over) {
          if (before == ChromeButton::kNormal) button->MouseMove();
        } else {
          button->PointerOverBackground();
        }
        if (button->VisiblePicture() != before) ::InvalidateRect(window_, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN: {
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (const std::optional<PageId> page = NavigationAt(point)) {
        ShowPage(*page);
        return 0;
      }
      if (ChromeButton* button = ChromeAt(point)) {
        button->MouseDown();
        ::SetCapture(window_);
        ::InvalidateRect(window_, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      ::ReleaseCapture();
      const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ChromeButton* button = ChromeAt(point);
      ChromeButton::Action action = button != nullptr ? button->MouseUp() : ChromeButton::Action::None;
      imageMin_.PointerOverBackground();
      imageExit_.PointerOverBackground();
      ::InvalidateRect(window_, nullptr, FALSE);
      ChromeAction(action);
      return 0;
    }
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the size the system suggests.
      dpi_ = HIWORD(wParam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      LayOutChrome();
      if (pages_) pages_->SetDpi(static_cast<UINT>(dpi_));
      ::InvalidateRect(window_, nullptr, TRUE);
      return 0;
    }
    case WM_SHOWWINDOW:
      // The user is back: the banner asks at the next tick.
      if (wParam != FALSE && ad_) ad_->WindowShown();
      if (behaviour_) ::PostMessageA(window_, kDisplayChanged, 0, 0);
      return ::DefWindowProcA(window_, message, wParam, lParam);
    case WM_SIZE:
      // Shown, hidden, minimised or restored: after the change has been made.
      if (behaviour_) ::PostMessageA(window_, kDisplayChanged, 0, 0);
      return ::DefWindowProcA(window_, message, wParam, lParam);
    case kDisplayChanged:
      if (behaviour_) behaviour_->UpdateDisplayTimers();
      return 0;
    case WM_CLOSE:
      // Closing hides to the tray; only "Exit" in the tray menu ends the program.
      if (!exiting_) HideToTray();
      return 0;
    case WM_ENDSESSION:
      if (wParam != FALSE) ExitProgram();
      return 0;
    case WM_DESTROY:
      behaviour_.reset();
      ad_.reset();
      tray_->Icon().DeleteTrayIcon();
      window_ = nullptr;
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window_, message, wParam, lParam);
  }
}

}  // namespace tarvelo::winapp
