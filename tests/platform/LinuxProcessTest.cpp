// The process-wide parts of the Linux platform: the single-instance lock,
// shutdown requests, privileges and the program's places.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/Locations.h"
#include "platform/linux/LinuxShutdownRequests.h"
#include "platform/linux/LinuxSingleInstance.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;

TEST(LinuxSingleInstance, SecondInstanceIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  const std::string lock = dir.File("tarvelo.lock");
  auto first = std::make_unique<LinuxSingleInstance>(lock);
  EXPECT_FALSE(first->AnotherInstanceRunning());
  EXPECT_FALSE(first->AnotherInstanceRunning());  // asking again is no other instance

  // Another process sees the program running.
  const pid_t child = ::fork();
  if (child == 0) {
    LinuxSingleInstance second(lock);
    ::_exit(second.AnotherInstanceRunning() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  first.reset();
  LinuxSingleInstance third(lock);
  EXPECT_FALSE(third.AnotherInstanceRunning());
}

TEST(LinuxSingleInstance, LockThatCannotBeOpenedDoesNotBlockTheUser) {
  LinuxSingleInstance instance("/proc/self/no-such-dir/tarvelo.lock");
  EXPECT_FALSE(instance.AnotherInstanceRunning());
}

bool Readable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
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
