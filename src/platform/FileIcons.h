#pragma once

#include <string>

namespace platform {

// Where the picture of a program's icon comes from: an icon theme name, or a
// picture file; neither when the system knows no icon for it.
struct IconSource {
  std::string themeName;
  std::string filePath;
  friend bool operator==(const IconSource&, const IconSource&) = default;
};

// The icon a desktop user knows for an executable.
class FileIcons {
 public:
  virtual ~FileIcons() = default;
  virtual IconSource IconOf(const std::string& exePath) = 0;
};

}  // namespace platform
