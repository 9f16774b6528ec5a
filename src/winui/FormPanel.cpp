#include "winui/FormPanel.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "winui/WinUi.h"

namespace tarvelo::winui {

namespace {

constexpr wchar_t kPanelClass[] = L"TarveloPanel";
constexpr wchar_t kShapeClass[] = L"TarveloShape";

// A shape: its border and fill, painted from the control it was made from.
LRESULT CALLBACK ShapeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(window, &paint);
    const auto* control = reinterpret_cast<const form::Control*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    RECT r;
    ::GetClientRect(window, &r);
    if (control != nullptr) {
      if (control->fill) {
        HBRUSH fill = ::CreateSolidBrush(ColorOf(*control->fill));
        ::FillRect(dc, &r, fill);
        ::DeleteObject(fill);
      }
      HBRUSH border = ::CreateSolidBrush(ColorOf(control->color.value_or(form::Rgb{0, 0, 0})));
      ::FrameRect(dc, &r, border);
      ::DeleteObject(border);
    }
    ::EndPaint(window, &paint);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX common{sizeof(common), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&common);
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof(panel);
    panel.style = CS_DBLCLKS;
    panel.lpfnWndProc = ::DefWindowProcW;  // each panel gets its object's procedure
    panel.hInstance = ::GetModuleHandleW(nullptr);
    panel.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    panel.lpszClassName = kPanelClass;
    ::RegisterClassExW(&panel);
    WNDCLASSEXW shape{};
    shape.cbSize = sizeof(shape);
    shape.lpfnWndProc = ShapeProcedure;
    shape.hInstance = ::GetModuleHandleW(nullptr);
    shape.lpszClassName = kShapeClass;
    ::RegisterClassExW(&shape);
    return true;
  }();
  (void)registered;
}

}  // namespace

FormPanel::FormPanel(HWND parent, const form::Form& form, POINT topLeft, Custom custom, Background background)
    : form_(form), white_(::CreateSolidBrush(RGB(255, 255, 255))), background_(std::move(background)) {
  RegisterClasses();
  dpi_ = DpiOf(parent);
  window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, Wide(form.name).c_str(),
                              WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, topLeft.x, topLeft.y,
                              TwipsToPixels(form.width, dpi_), TwipsToPixels(form.height, dpi_), parent, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormPanel::Procedure));
  int id = kFirstId;
  for (const form::Control& control : form.controls) {
    colors_.push_back(control.color ? ColorOf(*control.color) : ::GetSysColor(COLOR_WINDOWTEXT));
    HWND made = Make(control, id++, custom);
    controls_.push_back(made);
    if (made != nullptr && !control.hidden) ::ShowWindow(made, SW_SHOWNA);
  }
}

FormPanel::~FormPanel() {
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  ::DeleteObject(white_);
}

HWND FormPanel::Make(const form::Control& control, int id, const Custom& custom) {
  const RECT r = RectOf(control, dpi_);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const std::wstring text = Wide(control.text);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  auto make = [&](DWORD exStyle, const wchar_t* className, DWORD style, int h) {
    return ::CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | style, r.left, r.top, width, h, window_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  HWND made = nullptr;
  switch (control.kind) {
    case form::Kind::Label:
      made = make(0, L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY | (control.wrap ? 0 : SS_LEFTNOWORDWRAP), height);
      break;
    case form::Kind::CheckBox:
      made = make(0, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, height);
      break;
    case form::Kind::ComboList:
      // The list drops below the box: room for eight entries.
      made = make(0, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, height * 8);
      break;
    case form::Kind::ListView: {
      made = make(WS_EX_CLIENTEDGE, WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, height);
      ListView_SetExtendedListViewStyle(made, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
      int index = 0;
      for (const form::Column& column : control.columns) {
        std::wstring caption = Wide(column.caption);
        LVCOLUMNW lvc{};
        lvc.mask = LVCF_TEXT | LVCF_WIDTH;
        lvc.pszText = caption.data();
        lvc.cx = TwipsToPixels(column.width, dpi_);
        ListView_InsertColumn(made, index++, &lvc);
      }
      break;
    }
    case form::Kind::Slider:
      made = make(0, TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, height);
      break;
    case form::Kind::Shape:
      made = make(0, kShapeClass, 0, height);
      ::SetWindowLongPtrW(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
      break;
    case form::Kind::Command:
    case form::Kind::Picture:
    case form::Kind::Monitor:
      if (custom) made = custom(window_, control, id, dpi_);
      break;
  }
  if (made == nullptr) return nullptr;
  ::SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control.font.value_or(form::kWindowFont), dpi_)),
                 FALSE);
  if (control.kind == form::Kind::Label && control.width == 0) FitToText(controls_.size());
  return made;
}

std::size_t FormPanel::IndexOf(std::string_view name) const {
  for (std::size_t i = 0; i < form_.controls.size(); ++i) {
    if (name == form_.controls[i].name) return i;
  }
  std::fprintf(stderr, "form %s has no control %.*s\n", form_.name, static_cast<int>(name.size()), name.data());
  std::abort();
}

HWND FormPanel::Control(std::string_view name) const {
  const std::size_t index = IndexOf(name);
  return index < controls_.size() ? controls_[index] : nullptr;
}

void FormPanel::FitToText(std::size_t index) {
  // Called while the control is being made, before it is in controls_.
  const form::Control& control = form_.controls[index];
  HWND label = index < controls_.size() ? controls_[index] : ::GetDlgItem(window_, kFirstId + static_cast<int>(index));
  if (label == nullptr) return;
  const int length = ::GetWindowTextLengthW(label);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetWindowTextW(label, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  const SIZE size = TextSize(label, FontOf(control.font.value_or(form::kWindowFont), dpi_), text);
  ::SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPanel::SetText(std::string_view name, std::string_view utf8) {
  const std::size_t index = IndexOf(name);
  HWND control = Control(name);
  if (control == nullptr) return;
  ::SetWindowTextW(control, Wide(utf8).c_str());
  const form::Control& description = form_.controls[index];
  if (description.kind == form::Kind::Label && description.width == 0) FitToText(index);
  ::InvalidateRect(control, nullptr, TRUE);
}

std::string FormPanel::Text(std::string_view name) const {
  HWND control = Control(name);
  if (control == nullptr) return {};
  if (form_.controls[IndexOf(name)].kind == form::Kind::ComboList) {
    const LRESULT chosen = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR) return {};
    std::wstring item(static_cast<std::size_t>(::SendMessageW(control, CB_GETLBTEXTLEN, chosen, 0)) + 1, L'\0');
    const LRESULT n = ::SendMessageW(control, CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(item.data()));
    item.resize(n == CB_ERR ? 0 : static_cast<std::size_t>(n));
    return Utf8(item);
  }
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
  return Utf8(text);
}

bool FormPanel::Checked(std::string_view name) const {
  HWND control = Control(name);
  return control != nullptr && ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormPanel::SetChecked(std::string_view name, bool checked) {
  if (HWND control = Control(name)) ::SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormPanel::SetItems(std::string_view name, const std::vector<std::string>& items) {
  HWND control = Control(name);
  if (control == nullptr) return;
  ::SendMessageW(control, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    const std::wstring wide = Wide(item);
    ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
}

bool FormPanel::Choose(std::string_view name, std::string_view item) {
  HWND control = Control(name);
  if (control == nullptr) return false;
  // Exactly that text: the system's own search ignores case.
  const std::wstring wanted = Wide(item);
  const LRESULT count = ::SendMessageW(control, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring entry(static_cast<std::size_t>(::SendMessageW(control, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    const LRESULT n = ::SendMessageW(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(n == CB_ERR ? 0 : static_cast<std::size_t>(n));
    if (entry == wanted) {
      ::SendMessageW(control, CB_SETCURSEL, i, 0);
      return true;
    }
  }
  return false;
}

void FormPanel::ChooseIndex(std::string_view name, int index) {
  if (HWND control = Control(name)) ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void FormPanel::AddRow(std::string_view name, const std::vector<std::string>& cells) {
  HWND list = Control(name);
  if (list == nullptr) return;
  const int row = ListView_GetItemCount(list);
  for (std::size_t column = 0; column < cells.size(); ++column) {
    std::wstring text = Wide(cells[column]);
    if (column == 0) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = text.data();
      ListView_InsertItem(list, &item);
    } else {
      ListView_SetItemText(list, row, static_cast<int>(column), text.data());
    }
  }
}

void FormPanel::ScrollToRow(std::string_view name, int row) {
  if (HWND list = Control(name)) ListView_EnsureVisible(list, row, FALSE);
}

int FormPanel::RowCount(std::string_view name) const {
  HWND list = Control(name);
  return list != nullptr ? ListView_GetItemCount(list) : 0;
}

void FormPanel::ClearRows(std::string_view name) {
  if (HWND list = Control(name)) ListView_DeleteAllItems(list);
}

std::string FormPanel::CellText(std::string_view name, int row, int column) const {
  HWND list = Control(name);
  if (list == nullptr || row < 0 || row >= ListView_GetItemCount(list)) return {};
  wchar_t text[1024] = {};
  ListView_GetItemText(list, row, column, text, 1024);
  return Utf8(text);
}

void FormPanel::SetCellText(std::string_view name, int row, int column, std::string_view text) {
  HWND list = Control(name);
  if (list == nullptr || row < 0 || row >= ListView_GetItemCount(list)) return;
  std::wstring wide = Wide(text);
  ListView_SetItemText(list, row, column, wide.data());
}

int FormPanel::SelectedRow(std::string_view name) const {
  HWND list = Control(name);
  return list != nullptr ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

void FormPanel::SetToolTip(std::string_view name, std::string_view text) {
  HWND control = Control(name);
  if (control == nullptr) return;
  if (toolTips_ == nullptr) {
    toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(toolTips_, TTM_SETMAXTIPWIDTH, 0, 600);
  }
  std::wstring wide = Wide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = wide.data();
  // Added once, its text replaced afterwards.
  if (std::find(tipped_.begin(), tipped_.end(), control) == tipped_.end()) {
    ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    tipped_.push_back(control);
  } else {
    ::SendMessageW(toolTips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void FormPanel::Place(std::size_t index) {
  const form::Control& control = form_.controls[index];
  HWND window = controls_[index];
  if (window == nullptr) return;
  const RECT r = RectOf(control, dpi_);
  const int height = (r.bottom - r.top) * (control.kind == form::Kind::ComboList ? 8 : 1);
  ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control.font.value_or(form::kWindowFont), dpi_)),
                 TRUE);
  if (control.kind == form::Kind::Label && control.width == 0) FitToText(index);
  if (control.kind == form::Kind::ListView) {
    int column = 0;
    for (const form::Column& c : control.columns) ListView_SetColumnWidth(window, column++, TwipsToPixels(c.width, dpi_));
  }
}

void FormPanel::SetDpi(UINT dpi, POINT topLeft, const std::function<void(HWND, UINT)>& relaid) {
  dpi_ = dpi;
  ::SetWindowPos(window_, nullptr, topLeft.x, topLeft.y, TwipsToPixels(form_.width, dpi), TwipsToPixels(form_.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    Place(i);
    const form::Kind kind = form_.controls[i].kind;
    const bool owners = kind == form::Kind::Command || kind == form::Kind::Picture || kind == form::Kind::Monitor;
    if (owners && relaid && controls_[i] != nullptr) relaid(controls_[i], dpi);
  }
  ::InvalidateRect(window_, nullptr, TRUE);
}

void FormPanel::SetColor(std::string_view name, form::Rgb color) {
  colors_[IndexOf(name)] = ColorOf(color);
  if (HWND control = Control(name)) ::InvalidateRect(control, nullptr, TRUE);
}

void FormPanel::Show(std::string_view name, bool shown) {
  if (HWND control = Control(name)) ::ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
}

LRESULT CALLBACK FormPanel::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* panel = reinterpret_cast<FormPanel*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (panel == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  return panel->Handle(message, wParam, lParam);
}

LRESULT FormPanel::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window_, &paint);
      RECT client;
      ::GetClientRect(window_, &client);
      if (background_) background_(dc, client);
      else ::FillRect(dc, &client, white_);
      ::EndPaint(window_, &paint);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const std::size_t index = static_cast<std::size_t>(id - kFirstId);
      if (index < colors_.size()) ::SetTextColor(dc, colors_[index]);
      ::SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(white_);
    }
    case WM_COMMAND: {
      const std::size_t index = static_cast<std::size_t>(LOWORD(wParam) - kFirstId);
      if (notified_ && lParam != 0 && index < form_.controls.size()) notified_(form_.controls[index], HIWORD(wParam));
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      const std::size_t index = static_cast<std::size_t>(header->idFrom - kFirstId);
      if (notified_ && index < form_.controls.size()) notified_(form_.controls[index], header->code);
      return 0;
    }
    case WM_HSCROLL: {
      const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const std::size_t index = static_cast<std::size_t>(id - kFirstId);
      if (notified_ && index < form_.controls.size()) notified_(form_.controls[index], LOWORD(wParam));
      return 0;
    }
    default:
      return ::DefWindowProcW(window_, message, wParam, lParam);
  }
}

}  // namespace tarvelo::winui
