// "Allow…": pkexec through stand-ins on PATH that accept (run the command as
// it is), refuse, find no authentication agent, or are missing.
#include "widgets/AllowPrivilege.h"

#include <gtest/gtest.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/Privileges.h"
#include "support/MissingInCi.h"
#include "support/ModalWatcher.h"
#include "support/TempDir.h"
#include "platform/linux/helper/PrivHelper.h"

// Messages in failures as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tarvelo::widgets {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr char kByHand[] = "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv";
// What pkexec prints when nothing can ask for the password, and when the
// password was not accepted.
constexpr char kNoAgent[] =
    "echo 'Error executing command as another user: No authentication agent found.' >&2; exit 127";
constexpr char kNotAuthorized[] =
    "echo 'Error executing command as another user: Not authorized' >&2; echo >&2; "
    "echo 'This incident has been reported.' >&2; exit 127";

// CAP_SYS_NICE permitted and effective on the file, as the program reads it.
bool HasSysNice(const std::string& path) { return platform::linux_impl::PrivHelper(path).FileHasCapability(); }

std::string Setcap() {
  for (const char* path : {"/usr/sbin/setcap", "/sbin/setcap"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "setcap";
}

// Has the right once the stand-in left its mark: what reading back finds.
class MarkedPrivileges final : public platform::Privileges {
 public:
  explicit MarkedPrivileges(std::string mark) : mark_(std::move(mark)) {}
  void EnableDebugPrivilege() override {}
  std::vector<std::string> GrantCommand() const override {
    if (Granted()) return {};
    return {"pkexec", "/usr/libexec/tarvelo/tarvelo-grant"};
  }
  std::string ByHandCommand() const override { return kByHand; }
  bool Granted() const override { return std::filesystem::exists(mark_); }

 private:
  std::string mark_;
};

// Every message box that shows, in order, each dismissed at once.
class Messages {
 public:
  Messages() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts.push_back(box->text());
        box->accept();
      }
    });
    poll_.start(5);
  }
  QStringList texts;

 private:
  QTimer poll_;
};

class AllowPrivilegeTest : public ::testing::Test {
 protected:
  void SetUp() override { savedPath_ = qgetenv("PATH"); }
  void TearDown() override { qputenv("PATH", savedPath_); }

  // PATH with only a directory that holds a pkexec of this script (none
  // when empty): a real pkexec is never found.
  void StandIn(const std::string& script) {
    std::filesystem::remove(bin_.File("pkexec"));
    if (!script.empty()) {
      WriteFile(bin_.File("pkexec"), "#!/bin/sh\n" + script + "\n");
      ::chmod(bin_.File("pkexec").c_str(), 0755);
    }
    qputenv("PATH", QByteArray::fromStdString(bin_.Path()));
  }

  TempDir bin_;
  QByteArray savedPath_;
};

TEST_F(AllowPrivilegeTest, PkexecAcceptsRefusesFindsNoAgentOrIsMissing) {
  if (::geteuid() != 0) {
    if (tarvelo::testing::InCi()) FAIL() << "CI runs the suite as root";
    GTEST_SKIP() << "setcap needs root";
  }
  if (!std::filesystem::exists(Setcap())) FAIL() << "setcap is missing: install libcap2-bin";
  TempDir dir;
  const std::string helper = dir.File("tarvelo-priv");
  std::filesystem::copy_file(TARVELO_PRIV_PATH, helper);
  const std::vector<std::string> command = {"pkexec", Setcap(), "cap_sys_nice+ep", helper};
  const struct {
    const char* what;
    const char* script;  // empty: no pkexec at all
    GrantOutcome outcome;
    bool capability;
  } cases[] = {
      {"the user dismisses the dialog", "exit 126", GrantOutcome::Refused, false},
      {"the password is wrong", kNotAuthorized, GrantOutcome::Refused, false},
      {"no authentication agent", kNoAgent, GrantOutcome::NoAgent, false},
      {"no pkexec", "", GrantOutcome::Missing, false},
      {"the command fails", "exit 1", GrantOutcome::Failed, false},
      {"granted", "PATH=/usr/sbin:/usr/bin:/sbin:/bin exec \"$@\"", GrantOutcome::Granted, true},
  };
  for (const auto& c : cases) {
    StandIn(c.script);
    EXPECT_EQ(RunGrantCommand(command), c.outcome) << c.what;
    EXPECT_EQ(HasSysNice(helper), c.capability) << c.what;
  }
}

// Started from a terminal, Tarvelo must not lose it to pkexec's password
// prompt (that stops Tarvelo there): the stand-in notes its session, its
// terminal and its input, then waits until the window has answered a second
// request, which shows that the event loop runs meanwhile.
TEST_F(AllowPrivilegeTest, PkexecRunsInASessionOfItsOwnWithoutTerminalOrInputAndEveryClickIsAnswered) {
  const std::string info = bin_.File("info");
  const std::string go = bin_.File("go");
  const std::string mark = bin_.File("granted");
  const std::string waitThenEnd =
      "PATH=/usr/sbin:/usr/bin:/sbin:/bin\n"
      "read -r stat < /proc/$$/stat\n"
      "set -- ${stat##*) }\n"  // state ppid pgrp session tty_nr ...
      "echo \"$$ $4 $5 $(readlink /proc/$$/fd/0)\" > '" + info + "'\n"
      "i=0\n"
      "while [ ! -e '" + go + "' ] && [ $i -lt 3000 ]; do sleep 0.02; i=$((i+1)); done\n"
      "[ -e '" + go + "' ] || exit 1\n";
  MarkedPrivileges privileges(mark);
  const QString asking = "Tarvelo is asking for the right already: answer the password dialog, or close it.";
  const struct {
    const char* what;
    std::string end;
    bool granted;
    QString message;
  } cases[] = {
      {"dismissed", "exit 126", false, "The right was not given. Nothing was changed."},
      {"no authentication agent", kNoAgent, false,
       "Tarvelo cannot ask for the right: no authentication agent is running to ask for an administrator's password "
       "(the desktop normally starts one). Nothing was changed. An administrator can give it by hand:\n" +
           QString(kByHand)},
      {"no authentication agent, again", kNoAgent, false,
       "Tarvelo cannot ask for the right: no authentication agent is running to ask for an administrator's password "
       "(the desktop normally starts one). Nothing was changed. An administrator can give it by hand:\n" +
           QString(kByHand)},
      {"granted", "touch '" + mark + "'", true,
       "Tarvelo's helper has the right now: Tarvelo raises priorities and releases memory of your programs from now "
       "on."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(info);
    std::filesystem::remove(go);
    StandIn(waitThenEnd + c.end);
    QTimer secondClick;
    bool clicked = false;
    QObject::connect(&secondClick, &QTimer::timeout, [&] {
      if (clicked || !std::filesystem::exists(info)) return;
      clicked = true;
      AllowPrivilege(nullptr, privileges);
      WriteFile(go, "");
    });
    secondClick.start(5);
    Messages messages;
    EXPECT_EQ(AllowPrivilege(nullptr, privileges), c.granted);
    EXPECT_EQ(messages.texts, (QStringList{asking, c.message}));

    std::istringstream noted(ReadFile(info));
    pid_t pid = 0, session = 0;
    int tty = -1;
    std::string input;
    noted >> pid >> session >> tty >> input;
    EXPECT_EQ(session, pid) << "pkexec leads a session of its own";
    EXPECT_NE(session, ::getsid(0));
    EXPECT_EQ(tty, 0) << "pkexec has no controlling terminal";
    EXPECT_EQ(input, "/dev/null");
  }
}

TEST_F(AllowPrivilegeTest, TheUserIsToldWhatHappenedReadBackNotAssumed) {
  const std::string mark = bin_.File("granted");
  MarkedPrivileges privileges(mark);
  const struct {
    const char* what;
    std::string script;
    bool granted;
    QString message;
    QMessageBox::Icon icon;
  } cases[] = {
      {"refused", kNotAuthorized, false, "The right was not given. Nothing was changed.", QMessageBox::Warning},
      {"missing", "", false,
       "Tarvelo cannot ask for the right: pkexec is not installed. An administrator can give it by hand:\n" +
           QString(kByHand),
       QMessageBox::Warning},
      // pkexec ended well, yet the right is not there (a file system that
      // ignores file capabilities): no success is claimed.
      {"ended well without effect", "exit 0", false, "The right could not be given. Nothing was changed.",
       QMessageBox::Warning},
      {"granted", "/usr/bin/touch '" + mark + "'", true,
       "Tarvelo's helper has the right now: Tarvelo raises priorities and releases memory of your programs from now "
       "on.",
       QMessageBox::Information},
      // Given meanwhile: there is nothing to ask for, and the click says so.
      {"granted already", "exit 1", true,
       "Tarvelo's helper has the right now: Tarvelo raises priorities and releases memory of your programs from now "
       "on.",
       QMessageBox::Information},
  };
  for (const auto& c : cases) {
    StandIn(c.script);
    testing::ShownMessage message;
    bool granted = false;
    {
      const auto watcher = testing::ShownMessage::Record(message);
      granted = AllowPrivilege(nullptr, privileges);
    }
    EXPECT_EQ(granted, c.granted) << c.what;
    EXPECT_EQ(message.text, c.message) << c.what;
    EXPECT_EQ(message.icon, c.icon) << c.what;
  }

  // Nothing here may be trusted with the right: what an administrator can do.
  class ByHandOnly final : public platform::Privileges {
   public:
    void EnableDebugPrivilege() override {}
    std::string ByHandCommand() const override { return kByHand; }
  } byHandOnly;
  testing::ShownMessage message;
  {
    const auto watcher = testing::ShownMessage::Record(message);
    EXPECT_FALSE(AllowPrivilege(nullptr, byHandOnly));
  }
  EXPECT_EQ(message.text,
            "Tarvelo cannot ask for the right from here. An administrator can give it by hand:\n" + QString(kByHand));
  EXPECT_EQ(message.icon, QMessageBox::Warning);
}

}  // namespace
}  // namespace tarvelo::widgets
