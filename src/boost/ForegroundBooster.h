#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "boost/FasterFigure.h"
#include "boost/ModuleProcess.h"
#include "platform/ForegroundWindow.h"
#include "platform/ProcessPriority.h"
#include "platform/SchedulerStats.h"
#include "platform/UnitWeights.h"

namespace tarvelo {

// What one boost shows: the row added to the log and the labels of the page.
struct Boost {
  std::string number;    // the row's "NO.": a space and the row number
  std::string title;     // the boosted window's title
  std::string priority;  // the class the process has afterwards: "High" or "Above Normal"
  std::int32_t count = 0;  // boosts since start, this one included

  friend bool operator==(const Boost&, const Boost&) = default;
};

// The ways a boost can act here.
struct BoostPaths {
  bool nice = false;    // the process's own priority class
  bool weight = false;  // the CPU weight of the unit that holds it

  friend bool operator==(const BoostPaths&, const BoostPaths&) = default;
};

// The foreground booster: at every TimerProcess tick, when a new window with a
// title has come to the front, the process of the window in front at the
// previous tick goes back to Normal and the new window's process gets the
// chosen level, through its priority class and, where there is one, through
// the CPU weight of the unit that holds it. A boost counts, and is shown, only
// when the process reads back raised afterwards. The booster never reads a
// control: the tick is given the check box's value and the level list's text,
// and returns what to show.
class ForegroundBooster {
 public:
  static constexpr std::string_view kNone = "None";
  static constexpr std::string_view kHigh = "High";
  static constexpr std::string_view kAboveNormal = "Above Normal";

  // CPU weights of the levels, against the default 100 of every other unit.
  // They give the unit the share that a thread gets from the nice value of
  // the same class against a thread at nice 0: nice -5 weighs about 3 times
  // as much (3121 against 1024), nice -10 about 9 times (9548).
  static constexpr std::uint64_t kAboveNormalWeight = 300;
  static constexpr std::uint64_t kHighWeight = 900;

  // weights and stats may be null where the system has none.
  ForegroundBooster(platform::ForegroundWindow& windows, platform::ProcessPriorities& priorities,
                    platform::UnitWeights* weights = nullptr, platform::SchedulerStats* stats = nullptr);
  ~ForegroundBooster();
  ForegroundBooster(const ForegroundBooster&) = delete;
  ForegroundBooster& operator=(const ForegroundBooster&) = delete;

  // One tick. enabled: the value of CheckNowImproveProcess; speed: the text of
  // ComboSpeed. Returns the boost to show and log, if one happened.
  std::optional<Boost> Tick(bool enabled, std::string_view speed);

  // Meant for every tick after Tick: the new "Whole system faster:" text once
  // the measurement after the last boost completes (see FasterFigure).
  std::optional<std::string> PollFigure() { return figure_.Poll(); }

  // Puts back everything the booster changed and still holds: the weight each
  // unit had before, and Normal for the processes it raised that still have
  // the class it gave them. Runs at the end of the program (and on
  // destruction); safe to call twice.
  void RestoreAll();

  // The class a level gives: High for exactly "High", else Above Normal.
  static platform::PriorityClass LevelClass(std::string_view speed);
  static std::uint64_t LevelWeight(platform::PriorityClass level);
  // The class a CPU weight stands for, by the level weights above.
  static platform::PriorityClass ClassOfWeight(std::uint64_t weight);
  // Whether a unit may be weighted by its kind: a scope or service of its own,
  // never one that holds a whole session or the manager itself.
  static bool MayWeightUnitKind(std::string_view unit);

  // Which ways can act at this level.
  BoostPaths Paths(std::string_view speed) const;
  // Whether no way can act at this level, so the user should be told what
  // to do; only while the booster is enabled.
  bool PrivilegeMissing(bool enabled, std::string_view speed) const;

  // Why the window in front cannot be seen on this desktop ("" while it can).
  std::string WindowUnseen() const { return windows_.WhyUnseen(); }

  platform::WindowHandle LastForegroundHwnd() const { return lastForegroundHwnd_; }
  platform::WindowHandle PreviousForegroundHwnd() const { return previousForegroundHwnd_; }
  std::int32_t BoostCount() const { return boostCount_; }
  // Boosts tried since start, those that changed nothing included.
  std::int32_t TriedCount() const { return triedCount_; }
  // The text LabelNowImproveProcess shows: the last boosted title, or "None".
  const std::string& NowImproveProcess() const { return nowImproveProcess_; }
  // The units weighted now, with the weight each had before.
  const std::map<std::string, std::uint64_t>& HeldWeights() const { return heldWeights_; }

 private:
  bool SameTitleAsShown(std::string_view title) const;
  // Normal for the process; the one boosted last is no longer measured.
  void SetBack(platform::ProcessId pid);
  // The unit of pid that may be weighted, if any.
  std::optional<std::string> WeighableUnit(platform::ProcessId pid) const;
  // Every held unit but keep back to the weight it had.
  void RestoreWeights(const std::optional<std::string>& keep);
  // Gives the unit the level's weight; the class of the weight the system
  // applies afterwards, nothing unless that is a raised one.
  std::optional<platform::PriorityClass> RaiseWeight(const std::string& unit, platform::PriorityClass level);
  // Gives the process the class; the class read back afterwards, nothing
  // unless the change succeeded and that is a raised one.
  std::optional<platform::PriorityClass> RaiseClass(platform::ProcessId pid, platform::PriorityClass level);

  platform::ForegroundWindow& windows_;
  platform::ProcessPriorities& priorities_;
  platform::UnitWeights* weights_;
  ModuleProcess moduleProcess_;
  FasterFigure figure_;
  platform::WindowHandle lastForegroundHwnd_ = 0;
  platform::WindowHandle previousForegroundHwnd_ = 0;
  std::int32_t boostCount_ = 0;
  std::int32_t triedCount_ = 0;
  std::string nowImproveProcess_{kNone};
  platform::ProcessId boostedPid_ = 0;  // the process of the title shown, while raised
  std::map<std::string, std::uint64_t> heldWeights_;            // unit -> weight before
  std::map<platform::ProcessId, platform::PriorityClass> raised_;  // pid -> class given
};

}  // namespace tarvelo
