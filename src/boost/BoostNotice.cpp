#include "boost/BoostNotice.h"

#include "boost/ForegroundBooster.h"
#include "platform/Privileges.h"

namespace tarvelo {

BoostNoticeView BoostNotice::Read(bool enabled, std::string_view speed) {
  unseen_ = booster_.WindowUnseen();
  tried_ = booster_.TriedCount();
  // Without the window in front there is nothing to raise: that comes first.
  if (enabled && !unseen_.empty()) return {unseen_, false};
  if (!booster_.PrivilegeMissing(enabled, speed)) return {};
  if (!privileges_.GrantCommand().empty()) return {std::string(kAllow), true};
  const std::string byHand = privileges_.ByHandCommand();
  if (byHand.empty()) return {std::string(kInstall), false};
  return {std::string(kByHand) + byHand, false};
}

bool BoostNotice::Stale() const { return booster_.TriedCount() != tried_ || booster_.WindowUnseen() != unseen_; }

}  // namespace tarvelo
