#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
class Privileges;
}

namespace tarvelo {

class ForegroundBooster;

// What the "Speed up process" page says beside the switch: why the booster
// cannot see the window in front, or why it cannot raise priorities and what
// would make it possible. An empty text hides the notice.
struct BoostNoticeView {
  std::string text;
  bool offerAllow = false;  // "Allow…" goes with it: the right can be granted here and now

  friend bool operator==(const BoostNoticeView&, const BoostNoticeView&) = default;
};

// The notice's behaviour. Whether priorities can be raised changes outside
// the program too (an administrator gives or takes the helper's right), so
// the page reads the notice again whenever it shows, when its controls
// change, after "Allow…", and at the tick after which it is Stale.
class BoostNotice {
 public:
  static constexpr std::string_view kAllow =
      "Priorities cannot be raised: Tarvelo's helper lacks the right to raise them. \"Allow\u2026\" gives it "
      "(an administrator's password is asked for).";
  static constexpr std::string_view kInstall =
      "Priorities cannot be raised: install Tarvelo's helper tarvelo-priv with CAP_SYS_NICE (see the README), or "
      "run Tarvelo as root.";
  // Followed by the command an administrator can run (kept short: the
  // command has to fit beside it).
  static constexpr std::string_view kByHand = "Priorities cannot be raised. An administrator can run:\n";

  BoostNotice(const ForegroundBooster& booster, const platform::Privileges& privileges)
      : booster_(booster), privileges_(privileges) {}

  // enabled: the value of CheckNowImproveProcess; speed: the text of ComboSpeed.
  BoostNoticeView Read(bool enabled, std::string_view speed);

  // Whether what the notice says may have changed since the last Read: the
  // reason the window in front cannot be seen changed, or a boost was tried
  // (one that failed may mean the right went, one that worked that it came).
  bool Stale() const;

 private:
  const ForegroundBooster& booster_;
  const platform::Privileges& privileges_;
  std::string unseen_;       // the reason read last
  std::int32_t tried_ = -1;  // the booster's tries at the last Read
};

}  // namespace tarvelo
