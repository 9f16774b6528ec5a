// The real program started as a child process: what a user sees on the
// command line (exit status, standard error) and what an orderly end leaves in
// the runtime folder.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/UniqueFd.h"
#include "support/TempDir.h"

namespace tarvelo {
namespace {

using platform::linux_impl::UniqueFd;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

constexpr auto kLimit = std::chrono::seconds(60);

struct Finished {
  int status = -1;  // the exit status, or -1 when it ended by a signal or not at all
  int signal = 0;
  std::string err;
};

// A child process running the program with exactly the given environment;
// its standard error is kept, its standard output dropped.
class Program {
 public:
  Program(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) {
    std::vector<std::string> argStrings{TARVELO_EXECUTABLE};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
    // A sanitizer build's options (its suppressions of the system libraries' caches) go along.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = std::getenv(name); value != nullptr && env.count(name) == 0) {
        envStrings.push_back(std::string(name) + "=" + value);
      }
    }
    std::vector<char*> argv, envp;
    for (auto& a : argStrings) argv.push_back(a.data());
    for (auto& e : envStrings) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    errRead_.Reset(fds[0]);
    UniqueFd errWrite(fds[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(errWrite.Get(), STDERR_FILENO);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, STDOUT_FILENO);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return pid_ > 0; }
  void Signal(int signal) const { ::kill(pid_, signal); }

  // Reads standard error to its end and reaps the child; a child still
  // running after the limit is killed and reported as not finished.
  Finished Wait() {
    Finished result;
    const auto deadline = Clock::now() + kLimit;
    char buffer[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      pollfd p{errRead_.Get(), POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
        ADD_FAILURE() << "the program did not end in time";
        return result;  // the destructor kills it
      }
      const ssize_t n = ::read(errRead_.Get(), buffer, sizeof buffer);
      if (n <= 0) break;
      result.err.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return result;
    pid_ = -1;
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
  }

 private:
  pid_t pid_ = -1;
  UniqueFd errRead_;
};

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Waits until a file appears in directory, by inotify rather than by polling.
bool WaitForFile(const std::string& directory, const std::string& name) {
  UniqueFd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (!watch.Valid() || ::inotify_add_watch(watch.Get(), directory.c_str(), IN_CREATE | IN_MOVED_TO) < 0) return false;
  const auto deadline = Clock::now() + kLimit;
  while (!Exists(directory + "/" + name)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{watch.Get(), POLLIN, 0};
    if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char events[4096];
    while (::read(watch.Get(), events, sizeof events) > 0) {
    }
  }
  return true;
}

// A private home, runtime folder and settings folder; no display, no session
// bus, and an advertisement address that answers nothing.
class ProgramRunTest : public ::testing::Test {
 protected:
  ProgramRunTest() {
    for (const char* sub : {"home", "run", "config", "cache", "xdg"}) {
      std::filesystem::create_directory(dir.File(sub));
      ::chmod(dir.File(sub).c_str(), 0700);
    }
  }

  std::map<std::string, std::string> Environment(const char* qpaPlatform = "offscreen") const {
    std::map<std::string, std::string> env{
        {"PATH", "/usr/bin:/bin"},
        {"HOME", dir.File("home")},
        {"XDG_RUNTIME_DIR", dir.File("run")},
        {"XDG_CONFIG_HOME", dir.File("config")},
        {"XDG_CONFIG_DIRS", dir.File("xdg")},
        {"XDG_CACHE_HOME", dir.File("cache")},
        {"TARVELO_CONFIG_DIR", dir.File("config")},
        {"TARVELO_SITE_URL", "http://127.0.0.1:9"},
    };
    if (qpaPlatform != nullptr) env["QT_QPA_PLATFORM"] = qpaPlatform;
    return env;
  }

  Finished Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env) const {
    Program program(args, env);
    EXPECT_TRUE(program.Started());
    return program.Wait();
  }

  TempDir dir;
};

TEST_F(ProgramRunTest, WithoutADisplayTheProgramSaysSoAndEndsWithStatusOne) {
  const Finished run = Run({}, Environment(nullptr));
  EXPECT_EQ(run.signal, 0) << "Qt aborted: " << run.err;
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.err, "tarvelo: no display to show a window on (DISPLAY and WAYLAND_DISPLAY are not set)\n");
  EXPECT_FALSE(Exists(dir.File("run/tarvelo.lock"))) << "it ended before starting anything";

  // Printing options need no display.
  for (const char* option : {"--help", "--version"}) {
    const Finished printed = Run({option}, Environment(nullptr));
    EXPECT_EQ(printed.status, 0) << option << ": " << printed.err;
    EXPECT_EQ(printed.err, "") << option;
  }
}

TEST_F(ProgramRunTest, AWrongCommandLineIsNamedWithTheHintAndEndsWithStatusTwo) {
  const struct {
    std::vector<std::string> args;
    std::string line;
  } cases[] = {
      {{"--bogus"}, "tarvelo: unknown option '--bogus'"},
      {{"--quit-when-shown", "-x"}, "tarvelo: unknown option '-x'"},
      {{"stray"}, "tarvelo: unexpected argument 'stray'"},
      {{"-platform"}, "tarvelo: option '-platform' needs a value"},
  };
  for (const auto& c : cases) {
    const Finished run = Run(c.args, Environment());
    EXPECT_EQ(run.status, 2) << c.args.front() << ": " << run.err;
    EXPECT_NE(run.err.find(c.line + "\nTry 'tarvelo --help' for more information.\n"), std::string::npos)
        << run.err;
  }
  // A missing value is told before the display is looked for.
  const Finished noValue = Run({"-platform"}, Environment(nullptr));
  EXPECT_EQ(noValue.status, 2) << noValue.err;
}

TEST_F(ProgramRunTest, AnOrderlyEndRemovesTheSingleInstanceSocket) {
  // Ending by itself once the window is shown (Qt's own -platform option
  // chooses the platform here), and ending on SIGTERM.
  {
    auto env = Environment(nullptr);
    const Finished run = Run({"-platform", "offscreen", "--quit-when-shown"}, env);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Exists(dir.File("run/tarvelo.lock"))) << "it ran as the single instance";
    EXPECT_FALSE(Exists(dir.File("run/tarvelo.socket")));
  }
  {
    Program program({}, Environment());
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(WaitForFile(dir.File("run"), "tarvelo.socket"));
    program.Signal(SIGTERM);
    const Finished run = program.Wait();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Exists(dir.File("run/tarvelo.socket")));
  }
}

}  // namespace
}  // namespace tarvelo
