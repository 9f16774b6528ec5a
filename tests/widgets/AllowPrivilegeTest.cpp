// "Allow…": pkexec through stand-ins on PATH that accept (run the command as
// it is), refuse, or are missing, on a copy of tarvelo-priv.
#include "widgets/AllowPrivilege.h"

#include <gtest/gtest.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "platform/Privileges.h"
#include "support/ModalWatcher.h"
#include "support/TempDir.h"

namespace tarvelo::widgets {
namespace {

using testing::TempDir;
using testing::WriteFile;

bool HasSysNice(const std::string& path) {
  cap_t caps = cap_get_file(path.c_str());
  if (caps == nullptr) return false;
  cap_flag_value_t permitted = CAP_CLEAR;
  cap_flag_value_t effective = CAP_CLEAR;
  cap_get_flag(caps, CAP_SYS_NICE, CAP_PERMITTED, &permitted);
  cap_get_flag(caps, CAP_SYS_NICE, CAP_EFFECTIVE, &effective);
  cap_free(caps);
  return permitted == CAP_SET && effective == CAP_SET;
}

std::string Setcap() {
  for (const char* path : {"/usr/sbin/setcap", "/sbin/setcap"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "setcap";
}

class AllowPrivilegeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(TARVELO_PRIV_PATH, helper_);
    savedPath_ = qgetenv("PATH");
  }
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
  std::vector<std::string> Command() const { return {"pkexec", Setcap(), "cap_sys_nice+ep", helper_}; }

  TempDir dir_;
  TempDir bin_;
  std::string helper_ = dir_.File("tarvelo-priv");
  QByteArray savedPath_;
};

TEST_F(AllowPrivilegeTest, PkexecAcceptsRefusesOrIsMissing) {
  if (::geteuid() != 0) {
    const char* ci = std::getenv("CI");
    if (ci != nullptr && std::string(ci) == "true") FAIL() << "CI runs the suite as root";
    GTEST_SKIP() << "setcap needs root";
  }
  if (!std::filesystem::exists(Setcap())) FAIL() << "setcap is missing: install libcap2-bin";
  const struct {
    const char* what;
    const char* script;  // empty: no pkexec at all
    GrantOutcome outcome;
    bool capability;
  } cases[] = {
      {"the user dismisses the dialog", "exit 126", GrantOutcome::Refused, false},
      {"the password is wrong", "exit 127", GrantOutcome::Refused, false},
      {"no pkexec", "", GrantOutcome::Missing, false},
      {"setcap fails", "exit 1", GrantOutcome::Failed, false},
      {"granted", "PATH=/usr/sbin:/usr/bin:/sbin:/bin exec \"$@\"", GrantOutcome::Granted, true},
  };
  for (const auto& c : cases) {
    StandIn(c.script);
    EXPECT_EQ(RunGrantCommand(Command()), c.outcome) << c.what;
    EXPECT_EQ(HasSysNice(helper_), c.capability) << c.what;
  }
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
  std::string ByHandCommand() const override { return "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv"; }
  bool Granted() const override { return std::filesystem::exists(mark_); }

 private:
  std::string mark_;
};

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
      {"refused", "exit 126", false, "The right was not given. Nothing was changed.", QMessageBox::Warning},
      {"missing", "", false,
       "Tarvelo cannot ask for the right: pkexec is not installed. An administrator can give it by hand:\n"
       "setcap cap_sys_nice+ep /usr/libexec/tarvelo/tarvelo-priv",
       QMessageBox::Warning},
      // pkexec ended well, yet the right is not there (a file system that
      // ignores file capabilities): no success is claimed.
      {"ended well without effect", "exit 0", false, "The right could not be given. Nothing was changed.",
       QMessageBox::Warning},
      {"granted", "/usr/bin/touch '" + mark + "'", true,
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
  // With the right there, there is nothing to ask for.
  EXPECT_FALSE(AllowPrivilege(nullptr, privileges));
}

}  // namespace
}  // namespace tarvelo::widgets
