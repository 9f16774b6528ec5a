#pragma once

#include <functional>
#include <optional>
#include <string>

#include "boost/BoostNotice.h"
#include "forms/FormView.h"

namespace platform {
class Privileges;
}

namespace tarvelo {

class ForegroundBooster;
class Settings;
struct Boost;

// What the "1 - Speed up process" page does, whichever window shows it: the
// booster's switch and level, its figures, its log and its notice. It passes
// the controls' values to the booster at every tick and shows what the
// booster returns; each control writes its setting the moment the user
// changes it.
class ProcessPageLogic {
 public:
  // What a tick brought for the Status page.
  struct TickNews {
    std::optional<std::string> boostedTitle;  // a window's process was raised
    std::optional<std::string> fasterFigure;  // the figure measured after the last boost
  };

  // timeOfDay: the log's time column for now, in the system's format.
  ProcessPageLogic(form::FormView& view, Settings& settings, ForegroundBooster& booster,
                   platform::Privileges& privileges, std::function<std::string()> timeOfDay);

  // Start-up: the levels of ComboSpeed, then the two stored settings put onto
  // their controls. A missing or unknown value leaves the booster off at
  // "Above Normal".
  void FillSpeedList();
  void LoadBoosterSettings();
  // The switch and the level changed by the user.
  void SwitchClicked();
  void LevelChosen();

  // One TimerProcess tick.
  TickNews Tick();

  // Reads again what LabelBoostNotice says and whether "Allow…" shows: the
  // right to raise priorities may have come or gone outside the program.
  void UpdateBoostNotice();

 private:
  bool Enabled() const;
  void ShowBoost(const Boost& boost);

  form::FormView& view_;
  Settings& settings_;
  ForegroundBooster& booster_;
  BoostNotice notice_;
  std::function<std::string()> timeOfDay_;
};

}  // namespace tarvelo
