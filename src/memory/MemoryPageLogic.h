#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "forms/FormView.h"

namespace tarvelo {

class Settings;
struct MemoryFigures;

// What the "3 - Speed up memory" page does, whichever window shows it. Its
// two settings are written the moment the user changes them; the releases
// themselves are the main window's.
class MemoryPageLogic {
 public:
  // timeOfDay: the time column's text for now, in the system's format.
  MemoryPageLogic(form::FormView& view, Settings& settings, std::function<std::string()> timeOfDay)
      : view_(view), settings_(settings), timeOfDay_(std::move(timeOfDay)) {}

  // The interval entries, in order.
  void FillIntervalList();
  // [Memory] EnableFreeMemory and AutoFreeMemoryInterval onto the controls.
  // A missing or unknown interval leaves the first entry chosen.
  void LoadSettings();
  // CheckEnableAutoFreeMemory and ComboInterval changed by the user.
  void AutoReleaseClicked();
  void IntervalChosen();

  bool AutoReleaseEnabled() const;
  std::string Interval() const;

  // The "Memory status" block: all, used, left and the used rate.
  void ShowMemoryFigures(const MemoryFigures& figures);
  // A row of the log: its number, the time of day and the released megabytes.
  void AppendReleaseLog(std::int64_t releasedMB);

 private:
  form::FormView& view_;
  Settings& settings_;
  std::function<std::string()> timeOfDay_;
};

}  // namespace tarvelo
