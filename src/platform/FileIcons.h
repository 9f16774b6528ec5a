#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Where the picture of a program's icon comes from: an icon theme name, or a
// picture file; neither when the system knows no icon for it.
struct IconSource {
  std::string themeName;
  std::string filePath;
  friend bool operator==(const IconSource&, const IconSource&) = default;
};

// An icon's picture: rows of 0xAARRGGBB pixels (alpha not premultiplied),
// the top row first.
struct IconPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// The icon a desktop user knows for an executable.
class FileIcons {
 public:
  virtual ~FileIcons() = default;
  virtual IconSource IconOf(const std::string& exePath) = 0;
  // The picture the system's shell itself shows for the file, small (16 px)
  // or large (32 px), where the shell hands out pictures rather than names
  // (Windows); nothing elsewhere, and for a file it knows no icon for.
  virtual std::optional<IconPicture> PictureOf(const std::string& /*exePath*/, bool /*smallIcon*/) {
    return std::nullopt;
  }
};

}  // namespace platform
