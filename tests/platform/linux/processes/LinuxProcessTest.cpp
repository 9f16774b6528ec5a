// The process-wide parts of the Linux platform: the single-instance lock,
// shutdown requests, privileges and the program's places.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/capability.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "platform/Locations.h"
#include "platform/linux/desktop/LinuxShutdownRequests.h"
#include "platform/linux/desktop/LinuxSingleInstance.h"
#include "support/MissingInCi.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

TEST(LinuxSingleInstance, SecondInstanceIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  auto first = std::make_unique<LinuxSingleInstance>(dir.Path());
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again is no other instance

  // Another process sees the program running, and its request reaches the first.
  const pid_t child = ::fork();
  if (child == 0) {
    LinuxSingleInstance second(dir.Path());
    ::_exit(second.AnotherInstanceRunning() && second.ActivateRunningInstance() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_GE(first->ActivationDescriptor(), 0);
  EXPECT_TRUE(Readable(first->ActivationDescriptor(), 10000));
  EXPECT_TRUE(first->TakeActivationRequests());
  EXPECT_FALSE(first->TakeActivationRequests()) << "each request is taken once";

  struct stat socketStat {};
  ASSERT_EQ(::stat(dir.File("tarvelo.socket").c_str(), &socketStat), 0);
  EXPECT_TRUE(S_ISSOCK(socketStat.st_mode));
  EXPECT_EQ(socketStat.st_mode & 0777, 0600u);

  first.reset();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("tarvelo.socket"))))
      << "the first took its socket with it";
  LinuxSingleInstance third(dir.Path());
  EXPECT_FALSE(third.ActivateRunningInstance()) << "nobody listens after the first ended";
  EXPECT_FALSE(third.AnotherInstanceRunning());
}

// The runtime folder was cleaned while the first ran, and a newer instance
// took the place: the first, ending, leaves the newer one's socket alone.
TEST(LinuxSingleInstance, EndingLeavesASocketThatANewerInstanceBoundThere) {
  TempDir dir;
  auto first = std::make_unique<LinuxSingleInstance>(dir.Path());
  ASSERT_FALSE(first->AnotherInstanceRunning());
  ASSERT_EQ(::unlink(dir.File("tarvelo.lock").c_str()), 0);
  auto newer = std::make_unique<LinuxSingleInstance>(dir.Path());
  ASSERT_FALSE(newer->AnotherInstanceRunning()) << "a fresh lock file is free";
  struct stat before {};
  ASSERT_EQ(::lstat(dir.File("tarvelo.socket").c_str(), &before), 0);

  first.reset();
  struct stat after {};
  ASSERT_EQ(::lstat(dir.File("tarvelo.socket").c_str(), &after), 0) << "the newer socket was removed";
  EXPECT_EQ(after.st_ino, before.st_ino);
  LinuxSingleInstance later(dir.Path());
  EXPECT_TRUE(later.ActivateRunningInstance()) << "the newer instance is still reachable";
  EXPECT_TRUE(Readable(newer->ActivationDescriptor(), 10000));

  newer.reset();
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("tarvelo.socket"))));
}

TEST(LinuxSingleInstance, LockThatCannotBeOpenedDoesNotBlockTheUser) {
  LinuxSingleInstance instance("/proc/self/no-such-dir");
  EXPECT_FALSE(instance.AnotherInstanceRunning());
  EXPECT_FALSE(instance.ActivateRunningInstance());
}

TEST(LinuxSingleInstance, LockPlantedByAnotherUserDoesNotBlockTheUser) {
  if (::getuid() != 0) {
    if (std::getenv("CI") != nullptr) FAIL() << "needs root to plant a file of another user";
    GTEST_SKIP() << "needs root to plant a file of another user";
  }
  TempDir dir;
  const std::string lock = dir.File("tarvelo.lock");
  const int planted = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  ASSERT_GE(planted, 0);
  ASSERT_EQ(::fchown(planted, 65534, 65534), 0);
  ASSERT_EQ(::flock(planted, LOCK_EX | LOCK_NB), 0);  // held, as if by a running program
  LinuxSingleInstance instance(dir.Path());
  EXPECT_FALSE(instance.AnotherInstanceRunning());
  struct stat st {};
  ASSERT_EQ(::stat(lock.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::getuid()) << "our own lock took its place";
  ::close(planted);
}

TEST(LinuxSingleInstance, DirectoryIsTheRuntimeDirOrAPrivateFolderOfTheUser) {
  TempDir dir;
  const std::string runtime = dir.File("runtime");
  const std::string open = dir.File("open");
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 01777), 0);  // like /tmp
  const std::string cache = dir.File("cache");

  EXPECT_EQ(InstanceDirectory(runtime.c_str(), cache.c_str()), runtime);
  // A missing, relative, shared or absent runtime directory: a folder of our own.
  for (const char* bad : {static_cast<const char*>(nullptr), "", "run/user", open.c_str(), "/no/such/dir"}) {
    EXPECT_EQ(InstanceDirectory(bad, cache.c_str()), cache + "/tarvelo") << (bad ? bad : "(unset)");
  }
  EXPECT_TRUE(PrivateDirectory(cache + "/tarvelo"));

  // A folder of ours left open to others is closed; a link in its place is not followed.
  ASSERT_EQ(::chmod((cache + "/tarvelo").c_str(), 0755), 0);
  EXPECT_EQ(InstanceDirectory(nullptr, cache.c_str()), cache + "/tarvelo");
  EXPECT_TRUE(PrivateDirectory(cache + "/tarvelo"));
  const std::string linked = dir.File("linked");
  ASSERT_EQ(::mkdir(linked.c_str(), 0700), 0);
  ASSERT_EQ(::symlink(open.c_str(), (linked + "/tarvelo").c_str()), 0);
  EXPECT_EQ(InstanceDirectory(nullptr, linked.c_str()), "");
  EXPECT_EQ(InstanceDirectory(nullptr, "relative"), "");
}

// Root started with another user's environment (sudo -E, no runtime
// directory): a link in that user's home must not lead root to make or change
// anything elsewhere. The lock goes to root's own cache instead.
TEST(LinuxSingleInstance, AsRootNothingIsMadeOrChangedThroughALink) {
  if (::geteuid() != 0) TARVELO_SKIP_OR_FAIL_IN_CI("needs root: the rules for root's folders apply to root only");
  struct Case {
    const char* what;
    bool homeIsTheLink;  // else ~/.cache is
    bool ownFolderThere;  // a "tarvelo" folder (0755) behind the link
  };
  for (const Case& c : {Case{".cache links to an empty root folder", false, false},
                        Case{".cache links to a root folder holding a tarvelo folder", false, true},
                        Case{"the home itself is a link", true, true}}) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto makeFolder = [](const std::string& path) {
      ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
      ASSERT_EQ(::chmod(path.c_str(), 0755), 0);  // whatever the umask
    };
    // target: the root folder (mode 0755) that the link leads to, standing
    // for ~/.cache.
    const std::string target = dir.File("target");
    makeFolder(target);
    if (c.ownFolderThere) makeFolder(target + "/tarvelo");
    const std::string home = dir.File("home");
    if (c.homeIsTheLink) {
      makeFolder(dir.File("real-home"));
      ASSERT_EQ(::rename(target.c_str(), dir.File("real-home/.cache").c_str()), 0);
      ASSERT_EQ(::symlink(dir.File("real-home").c_str(), home.c_str()), 0);
    } else {
      makeFolder(home);
      ASSERT_EQ(::symlink(target.c_str(), (home + "/.cache").c_str()), 0);
    }
    const std::string reached = c.homeIsTheLink ? dir.File("real-home/.cache") : target;
    const std::string rootCache = dir.File("root-home/.cache");

    const std::string chosen = InstanceDirectory(nullptr, (home + "/.cache").c_str(), rootCache.c_str());
    EXPECT_EQ(chosen, rootCache + "/tarvelo");
    LinuxSingleInstance instance(chosen);
    EXPECT_FALSE(instance.AnotherInstanceRunning());
    EXPECT_TRUE(std::filesystem::exists(rootCache + "/tarvelo/tarvelo.lock"));

    struct stat st {};
    ASSERT_EQ(::lstat(reached.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    if (c.ownFolderThere) {
      ASSERT_EQ(::lstat((reached + "/tarvelo").c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0755u) << "the folder behind the link was changed";
      EXPECT_TRUE(std::filesystem::is_empty(reached + "/tarvelo")) << "a lock was made behind the link";
    } else {
      EXPECT_TRUE(std::filesystem::is_empty(reached)) << "a folder was made behind the link";
    }
  }
}

TEST(LinuxShutdownRequests, TerminationSignalsBecomeReadableRequests) {
  LinuxShutdownRequests requests;
  ASSERT_GE(requests.NotifyDescriptor(), 0);
  EXPECT_FALSE(Readable(requests.NotifyDescriptor(), 0));
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    ASSERT_EQ(::raise(signal), 0);  // would end the test process if not caught
    EXPECT_TRUE(Readable(requests.NotifyDescriptor(), 1000)) << signal;
    requests.Acknowledge();
    EXPECT_FALSE(Readable(requests.NotifyDescriptor(), 0)) << signal;
  }
}

TEST(Locations, SettingsFileFollowsTheOverrideElseTheProgramDirectory) {
  EXPECT_EQ(ExecutablePath().substr(ExecutablePath().rfind('/') + 1), "platform_linux_tests");
  EXPECT_EQ(ProgramDirectory() + "/platform_linux_tests", ExecutablePath());

  const char* saved = std::getenv("TARVELO_CONFIG_DIR");
  ::setenv("TARVELO_CONFIG_DIR", "/somewhere/else", 1);
  EXPECT_EQ(SettingsFilePath(), "/somewhere/else/Config.ini");
  ::unsetenv("TARVELO_CONFIG_DIR");
  EXPECT_EQ(SettingsFilePath(), ProgramDirectory() + "/Config.ini");  // the build tree is writable
  if (saved != nullptr) ::setenv("TARVELO_CONFIG_DIR", saved, 1);
}

}  // namespace
}  // namespace platform::linux_impl
