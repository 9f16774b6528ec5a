#pragma once

#include <QMessageBox>
#include <string>
#include <vector>

namespace platform {
class Privileges;
}

namespace tarvelo::widgets {

// What asking an administrator for the right came to.
enum class GrantOutcome { Granted, Refused, Missing, Failed };

// Runs the grant command (program first) and waits for it while the event
// loop goes on, so the window answers while the password is asked for. The
// program is looked up on PATH. pkexec ends with 126 or 127 when the user
// dismissed or failed the request.
GrantOutcome RunGrantCommand(const std::vector<std::string>& command);

// The plain message that tells the user what the outcome means; byHand is
// what an administrator can run instead (left out when empty).
QString GrantOutcomeText(GrantOutcome outcome, const std::string& byHand);

// The "Allow…" step: runs the platform's grant command, reads back whether
// the right is there now, and tells the user. Nothing else changes; what
// needs the right works from now on, without a restart. True when granted.
// A second request while one runs does nothing.
bool AllowPrivilege(QWidget* owner, platform::Privileges& privileges);

// A message box like ShowMessage with an "Allow…" button besides OK
// (object name "AllowButton"); choosing it goes on with AllowPrivilege.
void ShowMessageOfferingAllow(QWidget* owner, const QString& text, QMessageBox::Icon icon,
                              platform::Privileges& privileges);

}  // namespace tarvelo::widgets
