#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/FileIcons.h"

namespace platform::linux_impl {

// The icon of the desktop entry that runs an executable, found through GIO's
// registry of installed applications: the entry whose Exec or TryExec is the
// executable, else one whose program has the same file name, else one whose
// StartupWMClass is that name. The registry is read once; answers are kept.
class LinuxFileIcons final : public FileIcons {
 public:
  IconSource IconOf(const std::string& exePath) override;

 private:
  void LoadRegistry();

  bool loaded_ = false;
  // Empty where two entries disagree.
  std::map<std::string, std::optional<IconSource>> byPath_;     // resolved program path
  std::map<std::string, std::optional<IconSource>> byName_;     // program file name
  std::map<std::string, std::optional<IconSource>> byWmClass_;  // lower-case StartupWMClass
  std::map<std::string, IconSource> answers_;
};

}  // namespace platform::linux_impl
