#pragma once

#include "platform/FileIcons.h"

namespace platform::win32_impl {

// The shell's icon of a file through SHGetFileInfoA (SHGFI_ICON, with
// SHGFI_SMALLICON for the small one), turned into pixels; the icon handle is
// destroyed once read. The shell wants COM on the calling thread, which Qt's
// GUI thread has.
class WinFileIcons final : public FileIcons {
 public:
  IconSource IconOf(const std::string&) override { return {}; }
  std::optional<IconPicture> PictureOf(const std::string& exePath, bool smallIcon) override;
};

}  // namespace platform::win32_impl
