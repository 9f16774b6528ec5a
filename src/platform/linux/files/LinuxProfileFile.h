#pragma once

#include <string>

#include "platform/PrivateProfile.h"

namespace platform::linux_impl {

// A private-profile file on disk. Every call reads the file afresh; every
// write replaces it atomically, so a crash never leaves half a file.
class LinuxProfileFile final : public PrivateProfile {
 public:
  // Files larger than this are no settings file: they read as empty and are
  // never rewritten, so nothing in them is lost.
  static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

  explicit LinuxProfileFile(std::string path);

  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view defaultValue, std::size_t maxChars) const override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace platform::linux_impl
