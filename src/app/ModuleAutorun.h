#pragma once

#include <string>

#include "settings/Settings.h"

namespace platform {
class AutostartEntry;
}

namespace tarvelo {

// Start with the system: the autostart entry that runs this executable.
class ModuleAutorun {
 public:
  ModuleAutorun(platform::AutostartEntry& entry, std::string executablePath)
      : entry_(entry), executablePath_(std::move(executablePath)) {}

  // Writes the entry for the executable's present path, replacing an older one.
  void AddAutorun();
  // Removes the entry. Both ignore failures: the setting is tried again at the
  // next start.
  void RemoveAutorun();

 private:
  platform::AutostartEntry& entry_;
  std::string executablePath_;
};

// The Settings page's two options, "Start with windows" and "Auto minimize on
// start up", without their check boxes: what start-up and a click do.
class StartOptions {
 public:
  StartOptions(Settings& settings, ModuleAutorun& autorun) : settings_(settings), autorun_(autorun) {}

  // [Setting] Autorun as the value of CheckAutoRun; the entry is brought in
  // line with it (and with the executable's present path).
  int LoadAutorun();
  // [Setting] Automin as the value of CheckAutoMin; 1 keeps the window hidden.
  int LoadAutomin() const;

  // CheckAutoRun changed to value: the entry follows, then the setting.
  void CheckAutoRunClick(int value);
  // CheckAutoMin changed to value: only stored; the next start obeys it.
  void CheckAutoMinClick(int value);

 private:
  void ApplyAutorun(int value);

  Settings& settings_;
  ModuleAutorun& autorun_;
};

}  // namespace tarvelo
