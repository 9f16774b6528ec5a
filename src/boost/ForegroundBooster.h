#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "boost/ModuleProcess.h"
#include "platform/ForegroundWindow.h"
#include "platform/ProcessPriority.h"

namespace tarvelo {

// What one boost shows: the row added to the log, the labels of the page and
// the figure of the Status page.
struct Boost {
  std::string number;    // the row's "NO.": a space and the row number
  std::string title;     // the boosted window's title
  std::string priority;  // "High" or "Above Normal"
  std::string figure;    // beside "Whole system faster:", e.g. "25%"
  std::int32_t count = 0;  // boosts since start, this one included

  friend bool operator==(const Boost&, const Boost&) = default;
};

// The foreground booster: at every TimerProcess tick, when a new window with a
// title has come to the front, the process of the window in front at the
// previous tick goes back to Normal and the new window's process gets the
// chosen level. The booster never reads a control: the tick is given the
// check box's value and the level list's text, and returns what to show.
class ForegroundBooster {
 public:
  static constexpr std::string_view kNone = "None";
  static constexpr std::string_view kHigh = "High";
  static constexpr std::string_view kAboveNormal = "Above Normal";

  // seed: for the figure's random digit; tests choose it.
  ForegroundBooster(platform::ForegroundWindow& windows, platform::ProcessPriorities& priorities,
                    std::uint32_t seed = std::random_device{}());

  // One tick. enabled: the value of CheckNowImproveProcess; speed: the text of
  // ComboSpeed. Returns the boost to show and log, if one happened.
  std::optional<Boost> Tick(bool enabled, std::string_view speed);

  // The class a level gives: High for exactly "High", else Above Normal.
  static platform::PriorityClass LevelClass(std::string_view speed);

  // Whether boosts at this level cannot work for lack of a right, so the user
  // should be told what to do; only while the booster is enabled.
  bool PrivilegeMissing(bool enabled, std::string_view speed) const;

  // Why the window in front cannot be seen on this desktop ("" while it can).
  std::string WindowUnseen() const { return windows_.WhyUnseen(); }

  platform::WindowHandle LastForegroundHwnd() const { return lastForegroundHwnd_; }
  platform::WindowHandle PreviousForegroundHwnd() const { return previousForegroundHwnd_; }
  std::int32_t BoostCount() const { return boostCount_; }
  // The text LabelNowImproveProcess shows: the last boosted title, or "None".
  const std::string& NowImproveProcess() const { return nowImproveProcess_; }

 private:
  bool SameTitleAsShown(std::string_view title) const;

  platform::ForegroundWindow& windows_;
  platform::ProcessPriorities& priorities_;
  ModuleProcess moduleProcess_;
  std::mt19937 random_;
  platform::WindowHandle lastForegroundHwnd_ = 0;
  platform::WindowHandle previousForegroundHwnd_ = 0;
  std::int32_t boostCount_ = 0;
  std::string nowImproveProcess_{kNone};
};

}  // namespace tarvelo
