#include "widgets/AllowPrivilege.h"

#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QPushButton>

#include "platform/Privileges.h"
#include "widgets/MessageBox.h"

namespace tarvelo::widgets {

namespace {

// pkexec's exit codes when it does not run the command: the dialog was
// dismissed (126), or the request was not authorised or could not be asked (127).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
// What pkexec prints (untranslated under LC_ALL=C) when nothing can show a
// password dialog.
constexpr char kNoAgent[] = "No authentication agent found";

QString WithByHand(QString text, const std::string& byHand) {
  if (!byHand.empty()) text += " An administrator can give it by hand:\n" + QString::fromStdString(byHand);
  return text;
}

}  // namespace

GrantOutcome RunGrantCommand(const std::vector<std::string>& command) {
  if (command.empty()) return GrantOutcome::Failed;
  QProcess process;
  process.setProgram(QString::fromStdString(command.front()));
  QStringList arguments;
  for (std::size_t i = 1; i < command.size(); ++i) arguments << QString::fromStdString(command[i]);
  process.setArguments(arguments);
  // setsid leaves the controlling terminal behind; it cannot fail in a
  // child that leads no process group.
  process.setChildProcessModifier([] { ::setsid(); });
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LC_ALL", "C");
  process.setProcessEnvironment(environment);

  bool failedToStart = false;
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
      failedToStart = true;
      loop.quit();
    }
  });
  process.start();
  if (!failedToStart && process.state() != QProcess::NotRunning) loop.exec();
  if (failedToStart) return GrantOutcome::Missing;
  if (process.exitStatus() != QProcess::NormalExit) return GrantOutcome::Failed;
  switch (process.exitCode()) {
    case 0: return GrantOutcome::Granted;
    case kPkexecDismissed: return GrantOutcome::Refused;
    case kPkexecNotAuthorized:
      return process.readAllStandardError().contains(kNoAgent) ? GrantOutcome::NoAgent : GrantOutcome::Refused;
    default: return GrantOutcome::Failed;
  }
}

QString GrantOutcomeText(GrantOutcome outcome, const std::string& byHand) {
  switch (outcome) {
    case GrantOutcome::Granted:
      return "Tarvelo's helper has the right now: Tarvelo raises priorities and releases memory of your programs "
             "from now on.";
    case GrantOutcome::Refused: return "The right was not given. Nothing was changed.";
    case GrantOutcome::NoAgent:
      return WithByHand(
          "Tarvelo cannot ask for the right: no authentication agent is running to ask for an administrator's "
          "password (the desktop normally starts one). Nothing was changed.",
          byHand);
    case GrantOutcome::Missing:
      return WithByHand("Tarvelo cannot ask for the right: pkexec is not installed.", byHand);
    case GrantOutcome::Failed: break;
  }
  return "The right could not be given. Nothing was changed.";
}

bool AllowPrivilege(QWidget* owner, platform::Privileges& privileges) {
  static bool running = false;  // one request at a time, whichever button asked
  if (running) {
    ShowMessage(owner, "Tarvelo is asking for the right already: answer the password dialog, or close it.",
                QMessageBox::Information);
    return false;
  }
  const std::vector<std::string> command = privileges.GrantCommand();
  if (command.empty()) {
    // Given meanwhile (by an administrator, or by an earlier request), or
    // nothing here can be trusted with it.
    if (privileges.Granted()) {
      ShowMessage(owner, GrantOutcomeText(GrantOutcome::Granted, {}), QMessageBox::Information);
      return true;
    }
    ShowMessage(owner, WithByHand("Tarvelo cannot ask for the right from here.", privileges.ByHandCommand()),
                QMessageBox::Warning);
    return false;
  }
  running = true;
  GrantOutcome outcome = RunGrantCommand(command);
  // Read back: the command may end well without the right being there.
  if (outcome == GrantOutcome::Granted && !privileges.Granted()) outcome = GrantOutcome::Failed;
  running = false;
  ShowMessage(owner, GrantOutcomeText(outcome, privileges.ByHandCommand()),
              outcome == GrantOutcome::Granted ? QMessageBox::Information : QMessageBox::Warning);
  return outcome == GrantOutcome::Granted;
}

bool ShowMessageOfferingAllow(QWidget* owner, const QString& text, QMessageBox::Icon icon,
                              platform::Privileges& privileges) {
  QMessageBox box(icon, "Tarvelo", text, QMessageBox::Ok, owner);
  box.setObjectName("TarveloMessage");
  box.setTextFormat(Qt::PlainText);
  QPushButton* allow = box.addButton(QString::fromUtf8("Allow\u2026"), QMessageBox::AcceptRole);
  allow->setObjectName("AllowButton");
  box.setDefaultButton(QMessageBox::Ok);
  box.exec();
  return box.clickedButton() == allow && AllowPrivilege(owner, privileges);
}

}  // namespace tarvelo::widgets
