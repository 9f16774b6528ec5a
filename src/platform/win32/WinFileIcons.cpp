#include "platform/win32/WinFileIcons.h"

#include "platform/win32/AnsiText.h"
#include "platform/win32/UniqueHandles.h"
// After windows.h:
#include <shellapi.h>

namespace platform::win32_impl {

namespace {

// The rows of a bitmap as 32-bit top-down pixels.
std::optional<std::vector<std::uint32_t>> BitmapPixels(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) != height) {
    return std::nullopt;
  }
  return pixels;
}

std::optional<IconPicture> IconPixels(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return std::nullopt;
  // GetIconInfo hands out copies of both bitmaps; they are ours to delete.
  const UniqueBitmap color(info.hbmColor);
  const UniqueBitmap mask(info.hbmMask);
  if (!color || !mask) return std::nullopt;  // a monochrome icon: no picture
  BITMAP bitmap{};
  if (::GetObjectA(color.Get(), sizeof bitmap, &bitmap) == 0 || bitmap.bmWidth <= 0 || bitmap.bmHeight <= 0 ||
      bitmap.bmWidth > 256 || bitmap.bmHeight > 256) {
    return std::nullopt;
  }
  const UniqueScreenDc dc(::GetDC(nullptr));
  if (!dc) return std::nullopt;
  IconPicture picture;
  picture.width = bitmap.bmWidth;
  picture.height = bitmap.bmHeight;
  auto pixels = BitmapPixels(dc.Get(), color.Get(), picture.width, picture.height);
  if (!pixels) return std::nullopt;
  bool hasAlpha = false;
  for (const std::uint32_t p : *pixels) hasAlpha = hasAlpha || (p >> 24) != 0;
  if (!hasAlpha) {
    // An icon without an alpha channel: the mask says which pixels show (0)
    // and which are transparent (1).
    const auto maskPixels = BitmapPixels(dc.Get(), mask.Get(), picture.width, picture.height);
    if (!maskPixels) return std::nullopt;
    for (std::size_t i = 0; i < pixels->size(); ++i) {
      (*pixels)[i] = ((*maskPixels)[i] & 0x00FFFFFF) == 0 ? ((*pixels)[i] | 0xFF000000u) : 0u;
    }
  }
  picture.pixels = std::move(*pixels);
  return picture;
}

}  // namespace

std::optional<IconPicture> WinFileIcons::PictureOf(const std::string& exePath, bool smallIcon) {
  if (exePath.empty()) return std::nullopt;
  SHFILEINFOA info{};
  const UINT flags = smallIcon ? (SHGFI_ICON | SHGFI_SMALLICON) : SHGFI_ICON;
  static_assert((SHGFI_ICON | SHGFI_SMALLICON) == 0x101 && SHGFI_ICON == 0x100);
  if (::SHGetFileInfoA(Utf8ToAnsi(exePath).c_str(), 0, &info, sizeof info, flags) == 0) return std::nullopt;
  const UniqueIcon icon(info.hIcon);
  if (!icon) return std::nullopt;
  return IconPixels(icon.Get());
}

}  // namespace platform::win32_impl
