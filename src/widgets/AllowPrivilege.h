#pragma once

#include <QMessageBox>
#include <string>
#include <vector>

namespace platform {
class Privileges;
}

namespace tarvelo::widgets {

// What asking an administrator for the right came to.
enum class GrantOutcome {
  Granted,
  Refused,  // the password dialog was dismissed, or the password was not accepted
  NoAgent,  // no authentication agent runs to show a password dialog
  Missing,  // pkexec is not installed
  Failed,
};

// Runs the grant command (program first, looked up on PATH) and waits for it
// while the event loop goes on, so the window answers while the password is
// asked for. The command runs in a session of its own, without a terminal
// and with its input from /dev/null: pkexec asks through the desktop's
// authentication agent only and can never take the terminal Tarvelo was
// started from (which would stop Tarvelo there).
GrantOutcome RunGrantCommand(const std::vector<std::string>& command);

// The plain message that tells the user what the outcome means; byHand is
// what an administrator can run instead (left out when empty).
QString GrantOutcomeText(GrantOutcome outcome, const std::string& byHand);

// The "Allow…" step: runs the platform's grant command, reads back whether
// the right is there now, and tells the user. Nothing else changes; what
// needs the right works from now on, without a restart. True when the right
// is there afterwards. Every request gets an answer: one made while another
// runs, or when there is nothing to ask for, says so.
bool AllowPrivilege(QWidget* owner, platform::Privileges& privileges);

// A message box like ShowMessage with an "Allow…" button besides OK
// (object name "AllowButton"); choosing it goes on with AllowPrivilege.
// True when the right is there afterwards.
bool ShowMessageOfferingAllow(QWidget* owner, const QString& text, QMessageBox::Icon icon,
                              platform::Privileges& privileges);

}  // namespace tarvelo::widgets
