#pragma once

#include <string>

#include "platform/PrivateProfile.h"

namespace platform::win32_impl {

// A private-profile file through the system's own profile functions
// (GetPrivateProfileStringA, WritePrivateProfileStringA). The path is UTF-8;
// the file's text is in the ANSI code page and comes back as UTF-8.
class WinProfileFile final : public PrivateProfile {
 public:
  explicit WinProfileFile(std::string path);

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::size_t maxChars) const override;
  // Refuses names and values that would break the file's line structure (a
  // line break in a value would add keys of its own); the file is then as it
  // was.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string ansiPath_;
};

}  // namespace platform::win32_impl
