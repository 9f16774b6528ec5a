#include "button/WinCommand.h"

#include <algorithm>
#include <string>
#include <vector>

#include "button/ButtonColors.h"
#include "button/CommandModel.h"
#include "winui/WinUi.h"

namespace tarvelo::button {

namespace {

using winui::Wide;

constexpr wchar_t kClass[] = L"TarveloCommand";
constexpr UINT_PTR kHoverTimer = 1;
constexpr UINT kHoverInterval = 10;  // ms

std::vector<std::wstring> Lines(std::string_view text) {
  std::wstring s = Wide(text);
  std::vector<std::wstring> lines(1);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n') continue;
    if (s[i] == L'\n') lines.emplace_back();
    else lines.back() += s[i];
  }
  return lines;
}

std::int16_t ShiftMask() {
  std::int16_t mask = 0;
  if (::GetKeyState(VK_SHIFT) < 0) mask |= 1;
  if (::GetKeyState(VK_CONTROL) < 0) mask |= 2;
  if (::GetKeyState(VK_MENU) < 0) mask |= 4;
  return mask;
}

std::int16_t ButtonMask(WPARAM keys) {
  std::int16_t mask = 0;
  if (keys & MK_LBUTTON) mask |= 1;
  if (keys & MK_RBUTTON) mask |= 2;
  if (keys & MK_MBUTTON) mask |= 4;
  return mask;
}

SystemColors WindowsSystemColors() {
  auto color = [](int index) {
    const COLORREF c = ::GetSysColor(index);
    return raster::MakeColor(GetRValue(c), GetGValue(c), GetBValue(c));
  };
  SystemColors colors;
  colors.buttonFace = color(COLOR_BTNFACE);
  colors.buttonText = color(COLOR_BTNTEXT);
  colors.buttonShadow = color(COLOR_BTNSHADOW);
  colors.light3d = color(COLOR_3DLIGHT);
  colors.darkShadow3d = color(COLOR_3DDKSHADOW);
  colors.buttonHighlight = color(COLOR_BTNHIGHLIGHT);
  return colors;
}

// The caption in the button's font, drawn by GDI into the surface.
class GdiCaptionText : public CaptionText {
 public:
  explicit GdiCaptionText(UINT dpi) : dpi_(dpi), dc_(::CreateCompatibleDC(nullptr)) {}
  ~GdiCaptionText() override {
    ::DeleteDC(dc_);
    if (font_ != nullptr) ::DeleteObject(font_);
  }

  HFONT Font() const { return font_; }

  // The system's DPI for the window changed: the same font at the new size.
  void SetDpi(UINT dpi) {
    dpi_ = dpi;
    SetFont(ButtonFont(buttonFont_));
  }

  void SetFont(const ButtonFont& font) {
    buttonFont_ = font;
    LOGFONTW description{};
    description.lfHeight = -static_cast<LONG>((font.size > 0 ? font.size : 8.0) * dpi_ / 72.0 + 0.5);
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = font.italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = Wide(font.name);
    face.copy(description.lfFaceName, LF_FACESIZE - 1);
    if (font_ != nullptr) ::DeleteObject(font_);
    font_ = ::CreateFontIndirectW(&description);
    ::SelectObject(dc_, font_);
  }

  float TextWidth(std::string_view text) override {
    LONG width = 0;
    for (const std::wstring& line : Lines(text)) {
      SIZE size{};
      ::GetTextExtentPoint32W(dc_, line.c_str(), static_cast<int>(line.size()), &size);
      width = std::max(width, size.cx);
    }
    return static_cast<float>(width);
  }

  float TextHeight(std::string_view text) override {
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc_, &metrics);
    return static_cast<float>(metrics.tmHeight * static_cast<LONG>(Lines(text).size()));
  }

  void DrawText(PixelSurface& surface, std::string_view text, const Rect& rect, Color color, TextForm form) override {
    const int left = std::max(rect.left, 0);
    const int top = std::max(rect.top, 0);
    const int right = std::min(rect.right, surface.Width());
    const int bottom = std::min(rect.bottom, surface.Height());
    if (text.empty() || right <= left || bottom <= top) return;
    const int width = right - left;
    const int height = bottom - top;
    // The pixels under the text in a DIB, the text drawn over them, and back.
    const BITMAPINFO info = winui::TopDownBitmap(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return;
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const auto at = [&](int x, int y) {
      return surface.Pixels()[static_cast<std::size_t>(y) * static_cast<std::size_t>(surface.Width()) +
                              static_cast<std::size_t>(x)];
    };
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) pixels[y * width + x] = winui::DibPixel(at(left + x, top + y));
    }
    HGDIOBJ old = ::SelectObject(dc_, bitmap);
    ::SetBkMode(dc_, TRANSPARENT);
    ::SetTextColor(dc_, RGB(raster::Red(color), raster::Green(color), raster::Blue(color)));
    RECT target{rect.left - left, rect.top - top, rect.right - left, rect.bottom - top};
    const std::wstring wide = Wide(text);
    const UINT format = form == TextForm::kSingleLine ? DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS
                                                      : DT_CENTER | DT_TOP | DT_WORDBREAK;
    ::DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &target, format);
    ::GdiFlush();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const Color c = winui::SurfaceColor(pixels[y * width + x]);
        if (c != at(left + x, top + y)) surface.DrawDot(left + x, top + y, c);
      }
    }
    ::SelectObject(dc_, old);
    ::DeleteObject(bitmap);
  }

 private:
  UINT dpi_;
  HDC dc_;
  HFONT font_ = nullptr;
  ButtonFont buttonFont_;  // the button's, as last set
};

void RegisterClass() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    // Each window gets the button's procedure once its object exists.
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kClass;
    return ::RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

}  // namespace

class WinCommand::Site : public CommandSite, public CommandEvents {
 public:
  Site(WinCommand& owner, UINT dpi) : owner_(owner), text(dpi) {}

  CaptionText& Text() override { return text; }
  void ImageChanged() override { ::InvalidateRect(owner_.window_, nullptr, FALSE); }
  void RefreshNow() override {
    ::InvalidateRect(owner_.window_, nullptr, FALSE);
    ::UpdateWindow(owner_.window_);
  }
  void SetWindowShape(const Region& shape) override {
    if (shape.IsEmpty()) {
      ::SetWindowRgn(owner_.window_, nullptr, TRUE);
      return;
    }
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    for (const Rect& r : shape.Rects()) {
      HRGN part = ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
      ::CombineRgn(region, region, part, RGN_OR);
      ::DeleteObject(part);
    }
    ::SetWindowRgn(owner_.window_, region, TRUE);  // the window owns it now
  }
  void SetWindowEnabled(bool enabled) override { ::EnableWindow(owner_.window_, enabled ? TRUE : FALSE); }
  void SetWindowFont(const ButtonFont& font) override { text.SetFont(font); }
  void SetAccessKey(std::string_view) override {}
  void SetHoverTimer(bool enabled) override {
    if (enabled) ::SetTimer(owner_.window_, kHoverTimer, kHoverInterval, nullptr);
    else ::KillTimer(owner_.window_, kHoverTimer);
  }
  Point CursorPosition() override {
    if (!::IsWindowVisible(owner_.window_)) return {-1, -1};
    POINT p;
    ::GetCursorPos(&p);
    ::ScreenToClient(owner_.window_, &p);
    return {p.x, p.y};
  }
  void MoveFocus(FocusMove move) override {
    HWND dialog = ::GetAncestor(owner_.window_, GA_ROOT);
    if (HWND next = ::GetNextDlgTabItem(dialog, owner_.window_, move == FocusMove::kNext ? FALSE : TRUE)) {
      ::SetFocus(next);
    }
  }
  std::int32_t WindowHandle() override {
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(owner_.window_));
  }
  void PropertyChanged(std::string_view) override {}
  void Click() override {
    if (owner_.click_) owner_.click_();
  }

  WinCommand& owner_;
  GdiCaptionText text;
};

WinCommand::WinCommand(HWND window, UINT dpi) : window_(window), site_(std::make_unique<Site>(*this, dpi)) {
  model_ = std::make_unique<CommandModel>(*site_, *site_, WindowsSystemColors());
}

WinCommand::~WinCommand() = default;

WinCommand* WinCommand::Place(HWND parent, const form::Control& control, int id, UINT dpi) {
  RegisterClass();
  const RECT r = winui::RectOf(control, dpi);
  HWND window = ::CreateWindowExW(0, kClass, Wide(control.text).c_str(), WS_CHILD | WS_TABSTOP, r.left, r.top,
                                  r.right - r.left, r.bottom - r.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
  if (window == nullptr) return nullptr;
  auto* command = new WinCommand(window, dpi);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(command));
  ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WinCommand::Procedure));
  // The saved properties of the program's own buttons: XP style, Verdana 7.5 pt.
  const form::Font font = control.font.value_or(form::kWindowFont);
  command->model_->SetAmbientFont({font.face, font.points, font.bold, false});
  command->model_->ReadProperties({
      {"Caption", std::string(control.text)},
      {"XpType", std::int64_t{2}},
      {"Font", ButtonFont{font.face, font.points, font.bold, false}},
  });
  RECT client;
  ::GetClientRect(window, &client);
  command->model_->Resize(client.right, client.bottom);
  return command;
}

WinCommand* WinCommand::Of(HWND window) {
  wchar_t name[32] = {};
  if (window == nullptr || ::GetClassNameW(window, name, 32) == 0 || std::wstring_view(name) != kClass) {
    return nullptr;
  }
  return reinterpret_cast<WinCommand*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::string WinCommand::Caption() const { return model_->Caption(); }

void WinCommand::SetCaption(std::string_view caption) {
  model_->SetCaption(std::string(caption));
  ::SetWindowTextW(window_, Wide(caption).c_str());
}

void WinCommand::SetDefaultButton(bool isDefault) { model_->SetDisplayAsDefault(isDefault); }

void WinCommand::SetDpi(UINT dpi) {
  site_->text.SetDpi(dpi);
  RECT client;
  ::GetClientRect(window_, &client);
  model_->Resize(client.right, client.bottom);  // painted again with the caption at its new size
}

LRESULT CALLBACK WinCommand::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* command = reinterpret_cast<WinCommand*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (command == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    ::KillTimer(window, kHoverTimer);
    delete command;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  return command->Handle(message, wParam, lParam);
}

LRESULT WinCommand::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  const float x = static_cast<float>(static_cast<short>(LOWORD(lParam)));
  const float y = static_cast<float>(static_cast<short>(HIWORD(lParam)));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window_, &paint);
      winui::PaintSurface(dc, 0, 0, model_->Surface());
      ::EndPaint(window_, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      // Into a device context of the caller's: animations, magnifiers, tests.
      winui::PaintSurface(reinterpret_cast<HDC>(wParam), 0, 0, model_->Surface());
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      model_->Resize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      if (message == WM_LBUTTONDOWN) ::SetFocus(window_);
      ::SetCapture(window_);
      const std::int16_t button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
      model_->MouseDown(button, ShiftMask(), x, y);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      ::SetCapture(window_);
      model_->DoubleClick();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      ::ReleaseCapture();
      const std::int16_t button = message == WM_LBUTTONUP ? 1 : message == WM_RBUTTONUP ? 2 : 4;
      model_->MouseUp(button, ShiftMask(), x, y);
      RECT client;
      ::GetClientRect(window_, &client);
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (message == WM_LBUTTONUP && ::PtInRect(&client, at)) model_->Click();
      return 0;
    }
    case WM_MOUSEMOVE:
      model_->MouseMove(ButtonMask(wParam), ShiftMask(), x, y);
      return 0;
    case WM_TIMER:
      if (wParam == kHoverTimer) model_->Timer1Tick();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON | DLGC_WANTARROWS | (model_->Data().displayAsDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_KEYDOWN:
      model_->KeyDown(static_cast<std::int16_t>(wParam), ShiftMask());
      if (wParam == VK_RETURN && (lParam & (1 << 30)) == 0) model_->AccessKeyPress();
      return 0;
    case WM_KEYUP:
      model_->KeyUp(static_cast<std::int16_t>(wParam), ShiftMask());
      return 0;
    case WM_CHAR:
      if (wParam < 0x8000) model_->KeyPress(static_cast<std::int16_t>(wParam));
      return 0;
    case WM_SETFOCUS:
      model_->GotFocus();
      return 0;
    case WM_KILLFOCUS:
      model_->LostFocus();
      return 0;
    case WM_ENABLE:
      if ((wParam != 0) != model_->Enabled()) model_->SetEnabled(wParam != 0);
      return 0;
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace tarvelo::button
