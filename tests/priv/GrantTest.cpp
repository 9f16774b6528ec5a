// "Allow…" as root: which files may be trusted with CAP_SYS_NICE, and
// tarvelo-grant, which gives it. Run as root: the tests make files of root and
// of the user nobody under /run and set file capabilities.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/capability.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "grant/Grant.h"
#include "platform/linux/helper/TrustedFile.h"
#include "support/MissingInCi.h"
#include "support/TempDir.h"
#include "support/TrustedDir.h"
#include "platform/linux/helper/PrivHelper.h"

namespace tarvelo::grant {
namespace {

using platform::linux_impl::OpenTrustedFile;
using testing::TrustedDir;
using testing::WriteFile;

constexpr uid_t kNobody = 65534;

// CAP_SYS_NICE permitted and effective on the file, as the program reads it.
bool HasSysNice(const std::string& path) { return platform::linux_impl::PrivHelper(path).FileHasCapability(); }

// Runs a program as the user (root: as it is) to its end; its exit code, or -1.
int RunAs(uid_t uid, std::vector<std::string> command) {
  std::vector<char*> argv;
  for (std::string& a : command) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (uid != 0 && (::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0)) ::_exit(100);
    ::execv(argv[0], argv.data());
    ::_exit(101);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class GrantTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) {
      if (tarvelo::testing::InCi()) FAIL() << "CI runs the suite as root";
      GTEST_SKIP() << "needs root: files of root and of nobody, file capabilities";
    }
    if (dir_.Path().empty()) TARVELO_SKIP_OR_FAIL_IN_CI("no folder under /run that only root can change");
  }
  // A folder (mode, owner) holding a root's file "helper" of the mode.
  std::string Helper(const std::string& folder, mode_t folderMode, mode_t fileMode, uid_t folderOwner = 0,
                     uid_t fileOwner = 0) {
    const std::string path = dir_.File(folder);
    std::filesystem::create_directory(path);
    ::chmod(path.c_str(), folderMode);
    if (::chown(path.c_str(), folderOwner, folderOwner) != 0) ADD_FAILURE() << "chown " << path;
    const std::string file = path + "/helper";
    WriteFile(file, "#!/bin/sh\n");
    ::chmod(file.c_str(), fileMode);
    if (::chown(file.c_str(), fileOwner, fileOwner) != 0) ADD_FAILURE() << "chown " << file;
    return file;
  }

  TrustedDir dir_;
};

TEST_F(GrantTest, OnlyAFileThatOnlyRootCanChangeIsTrustedAndGetsTheCapability) {
  const std::string target = Helper("target", 0755, 0755);  // reached through links only
  std::filesystem::create_directory(dir_.File("filelink"));
  std::filesystem::create_symlink(target, dir_.File("filelink/helper"));
  std::filesystem::create_directory_symlink(dir_.File("target"), dir_.File("dirlink"));
  std::filesystem::create_directory(dir_.File("fifo"));
  ASSERT_EQ(::mkfifo(dir_.File("fifo/helper").c_str(), 0755), 0);
  const std::string ok = Helper("ok", 0755, 0755);

  const struct {
    const char* what;
    std::string path;
    std::string changed;  // the file that would get the capability
    bool trusted;
  } cases[] = {
      {"root's file in root's folders", ok, ok, true},
      {"the file is writable by its group", Helper("groupw", 0755, 0775), dir_.File("groupw/helper"), false},
      {"the file is writable by everyone", Helper("otherw", 0755, 0757), dir_.File("otherw/helper"), false},
      {"the file is nobody's", Helper("nobodys", 0755, 0755, 0, kNobody), dir_.File("nobodys/helper"), false},
      {"a folder is nobody's", Helper("nobodydir", 0755, 0755, kNobody), dir_.File("nobodydir/helper"), false},
      {"a folder is writable by its group", Helper("groupdir", 0775, 0755), dir_.File("groupdir/helper"), false},
      {"a folder is sticky and writable by everyone", Helper("sticky", 01777, 0755), dir_.File("sticky/helper"),
       false},
      {"the file is a link to a trusted file", dir_.File("filelink/helper"), target, false},
      {"a folder is a link to a trusted folder", dir_.File("dirlink/helper"), target, false},
      {"the path goes up and down again", dir_.File("target/../target/helper"), target, false},
      {"a relative path", "run/helper", target, false},
      {"a FIFO, never waited on", dir_.File("fifo/helper"), dir_.File("fifo/helper"), false},
      {"no such file", dir_.File("none/helper"), dir_.File("none/helper"), false},
  };
  for (const auto& c : cases) {
    const auto opened = OpenTrustedFile(c.path);
    EXPECT_EQ(opened.fd.Valid(), c.trusted) << c.what << ": " << opened.problem;
    EXPECT_EQ(opened.problem.empty(), c.trusted) << c.what;
    const std::string problem = GrantSysNice(c.path);
    EXPECT_EQ(problem.empty(), c.trusted) << c.what << ": " << problem;
    EXPECT_EQ(HasSysNice(c.changed), c.trusted) << c.what;
  }
}

TEST_F(GrantTest, TheGrantProgramTakesNoArgumentsAndGrantsOnlyAsRoot) {
  // With an argument it does nothing, whoever runs it; as an ordinary user it
  // refuses before it looks at anything (root would act on the installed helper).
  const std::string grant = dir_.File("tarvelo-grant");  // where nobody may run it
  std::filesystem::copy_file(TARVELO_GRANT_PATH, grant);
  ::chmod(grant.c_str(), 0755);
  const std::string helper = Helper("libexec", 0755, 0755);
  EXPECT_EQ(RunAs(0, {grant, helper}), 2);
  EXPECT_EQ(RunAs(kNobody, {grant}), 1);
  EXPECT_FALSE(HasSysNice(helper));
}

}  // namespace
}  // namespace tarvelo::grant
