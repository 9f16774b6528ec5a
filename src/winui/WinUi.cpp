#include "winui/WinUi.h"

#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace tarvelo::winui {

UINT DpiOf(HWND window) {
  // Windows 10 1607 and later; looked up at run time so that older systems
  // (and Wine versions without it) still run the program.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int TwipsToPixels(int twips, UINT dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>((scaled * 2 + (scaled >= 0 ? 1440 : -1440)) / 2880);
}

RECT RectOf(const form::Control& control, UINT dpi) {
  const int left = TwipsToPixels(control.left, dpi);
  const int top = TwipsToPixels(control.top, dpi);
  return {left, top, left + TwipsToPixels(control.width, dpi), top + TwipsToPixels(control.height, dpi)};
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

COLORREF ColorOf(form::Rgb rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

HFONT FontOf(const form::Font& font, UINT dpi) {
  using Key = std::tuple<std::string, double, bool, UINT>;
  static std::mutex mutex;
  static std::map<Key, HFONT> fonts;
  const std::lock_guard lock(mutex);
  const Key key{font.face, font.points, font.bold, dpi};
  if (auto it = fonts.find(key); it != fonts.end()) return it->second;
  LOGFONTW description{};
  description.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = DEFAULT_CHARSET;
  description.lfQuality = CLEARTYPE_QUALITY;
  const std::wstring face = Wide(font.face);
  face.copy(description.lfFaceName, LF_FACESIZE - 1);
  HFONT handle = ::CreateFontIndirectW(&description);
  fonts.emplace(key, handle);
  return handle;
}

BITMAPINFO TopDownBitmap(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

SIZE TextSize(HWND window, HFONT font, std::wstring_view text) {
  HDC dc = ::GetDC(window);
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT extent{0, 0, 0, 0};
  const std::wstring line(text.empty() ? std::wstring_view(L" ") : text);
  ::DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &extent, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
  ::SelectObject(dc, old);
  ::ReleaseDC(window, dc);
  return {text.empty() ? 0 : extent.right, extent.bottom};
}

void PaintSurface(HDC dc, int x, int y, const raster::PixelSurface& surface) {
  if (surface.Width() <= 0 || surface.Height() <= 0) return;
  // 0x00BBGGRR to the DIB's 0x00RRGGBB, top row first.
  std::vector<std::uint32_t> bits(surface.Pixels().size());
  for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = DibPixel(surface.Pixels()[i]);
  const BITMAPINFO info = TopDownBitmap(surface.Width(), surface.Height());
  ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(surface.Width()), static_cast<DWORD>(surface.Height()), 0, 0, 0,
                      static_cast<UINT>(surface.Height()), bits.data(), &info, DIB_RGB_COLORS);
}

HICON IconFromPixels(int width, int height, const std::uint32_t* pixels) {
  if (width <= 0 || height <= 0 || pixels == nullptr) return nullptr;
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = width;
  header.bV5Height = -height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HBITMAP color = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  if (color == nullptr) return nullptr;
  // Premultiplied alpha, as the system draws 32-bit icons.
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) {
    const std::uint32_t p = pixels[i];
    const std::uint32_t a = p >> 24;
    auto channel = [&](int shift) { return (((p >> shift) & 0xFF) * a / 255) << shift; };
    out[i] = (a << 24) | channel(16) | channel(8) | channel(0);
  }
  HBITMAP mask = ::CreateBitmap(width, height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = color;
  info.hbmMask = mask;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(color);
  ::DeleteObject(mask);
  return icon;
}

}  // namespace tarvelo::winui
