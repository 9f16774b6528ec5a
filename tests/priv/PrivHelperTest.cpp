// tarvelo-priv speaking its protocol to an ordinary user, its client in the
// program, and the release figure, all on real processes. Run as root: the
// tests give the helper its file capability and act as the user nobody.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/capability.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <grp.h>
#include <linux/sched.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/MissingInCi.h"
#include "memory/MemoryRelease.h"
#include "platform/fake/FakePlatform.h"
#include "platform/linux/helper/LinuxPrivileges.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"
#include "platform/linux/helper/PrivHelper.h"
#include "platform/linux/helper/PrivPolicy.h"
#include "platform/linux/helper/PrivProtocol.h"
#include "platform/linux/processes/ProcessControl.h"
#include "support/TempDir.h"
#include "support/TrustedDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

// Two throw-away accounts made for the run: A is in the group "tarvelo",
// whose members the helper serves; B is not. Both have user ids of their own.
constexpr const char* kUserA = "tarvelo-test-a";
constexpr const char* kUserB = "tarvelo-test-b";
uid_t UidOf(const char* name) {
  const passwd* user = ::getpwnam(name);
  return user != nullptr ? user->pw_uid : 65534;
}
uid_t UserA() { return UidOf(kUserA); }
uid_t UserB() { return UidOf(kUserB); }
// The user's own group, which processes of the user have.
gid_t GroupOf(uid_t uid) {
  const passwd* user = ::getpwuid(uid);
  return user != nullptr ? user->pw_gid : uid;
}

int Run(const std::vector<std::string>& command);

// Makes the group and the two accounts for the run, as root, and removes
// them at its end (the group only if the run made it).
class AccountsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (::geteuid() != 0) return;
    madeGroup_ = ::getgrnam(platform::linux_impl::kBoostGroup) == nullptr &&
                 Run({"groupadd", "--system", platform::linux_impl::kBoostGroup}) == 0;
    for (const char* name : {kUserA, kUserB}) {
      if (::getpwnam(name) != nullptr) Run({"userdel", name});  // left by a run that was killed
      std::vector<std::string> add = {"useradd", "--system", "--no-create-home", "--shell", "/usr/sbin/nologin"};
      if (name == kUserA) add.insert(add.end(), {"--groups", platform::linux_impl::kBoostGroup});
      add.push_back(name);
      if (Run(add) != 0) ADD_FAILURE() << "useradd " << name;
    }
  }
  void TearDown() override {
    if (::geteuid() != 0) return;
    for (const char* name : {kUserA, kUserB}) Run({"userdel", name});
    if (madeGroup_) Run({"groupdel", platform::linux_impl::kBoostGroup});
  }

 private:
  bool madeGroup_ = false;
};
[[maybe_unused]] ::testing::Environment* const kAccounts = ::testing::AddGlobalTestEnvironment(new AccountsEnvironment);
constexpr int kWaitMs = 60'000;  // generous: the machine may be busy
constexpr std::size_t kMapped = 48 * 1024 * 1024;

using ::tarvelo::testing::InCi;
using ::tarvelo::testing::TrustedDir;

// The setcap program of the system.
std::string SetcapProgram() {
  for (const char* path : {"/usr/sbin/setcap", "/sbin/setcap"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "setcap";
}

// Runs a program to its end; its exit code, or -1.
int Run(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = -1;
  if (::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A copy of the helper in a directory everyone may enter, owned by root, with
// or without its capability.
class HelperCopy {
 public:
  explicit HelperCopy(bool withCapability, const char* source = TARVELO_PRIV_PATH) {
    ::chmod(dir_.Path().c_str(), 0755);
    std::filesystem::copy_file(source, path_);
    ::chmod(path_.c_str(), 0755);
    if (withCapability) {
      const int result = Run({SetcapProgram(), "cap_sys_nice+ep", path_});
      if (result != 0) ADD_FAILURE() << "setcap failed (" << result << "): install libcap2-bin";
    }
  }
  const std::string& Path() const { return path_; }
  std::string Dir() const { return dir_.Path(); }

 private:
  TempDir dir_;
  std::string path_ = dir_.File("tarvelo-priv");
};

// Reads one byte from fd within kWaitMs.
bool ReadyWithin(int fd) {
  pollfd p{fd, POLLIN, 0};
  char c = 0;
  return ::poll(&p, 1, kWaitMs) == 1 && ::read(fd, &c, 1) == 1;
}

// A process of a user (A unless told) with two threads; with a file it maps the file
// and reads every page first. Ended at the end of the test.
class UserProcess {
 public:
  explicit UserProcess(const std::string& mappedFile = {}, uid_t uid = UserA()) {
    int ready[2];
    if (::pipe(ready) != 0) return;
    const gid_t gid = GroupOf(uid);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      // Its own session, so its own autogroup: the test's nice changes stay with it.
      ::setsid();
      if (::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) ::_exit(1);
      // As a program the user started: changing ids made it undumpable, so
      // that even its own user could not read or change it through /proc.
      ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
      long sum = 1;
      if (!mappedFile.empty()) {
        const int fd = ::open(mappedFile.c_str(), O_RDONLY);
        auto* bytes = static_cast<volatile char*>(::mmap(nullptr, kMapped, PROT_READ, MAP_PRIVATE, fd, 0));
        if (bytes == MAP_FAILED) ::_exit(2);
        for (std::size_t i = 0; i < kMapped; i += 4096) sum += bytes[i];
      }
      std::thread([] {
        for (;;) ::pause();
      }).detach();
      const char ok = sum > 0 ? 1 : 0;
      [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    ok_ = pid_ > 0 && ReadyWithin(ready[0]);
    ::close(ready[0]);
    // The second thread may start after the byte: wait for it.
    for (int i = 0; ok_ && i < 6000 && ThreadsOf("/proc", Pid()).tids.size() < 2; ++i) ::usleep(10'000);
  }
  ~UserProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Ok() const { return ok_; }
  ProcessId Pid() const { return static_cast<ProcessId>(pid_); }
  std::uint64_t StartTime() const { return *ParseStartTime(*ReadProcText("/proc/" + std::to_string(pid_) + "/stat")); }
  // The nice of every thread.
  std::vector<int> Nices() const {
    std::vector<int> nices;
    for (const int tid : ThreadsOf("/proc", Pid()).tids) nices.push_back(::getpriority(PRIO_PROCESS, tid));
    return nices;
  }

 private:
  pid_t pid_ = -1;
  bool ok_ = false;
};

std::uint64_t RssFileKiB(ProcessId pid) {
  const auto status = ReadProcText("/proc/" + std::to_string(pid) + "/status");
  if (!status) return 0;
  const auto at = status->find("RssFile:");
  return at == std::string::npos ? 0 : std::stoull(status->substr(at + 8));
}

// A file of kMapped bytes of the user nobody. The kernel pages out a file's
// pages for a caller only if it could write the file (else the page-out
// would tell it who else uses the file), so it is nobody's own.
std::string MappableFile(TempDir& dir) {
  ::chmod(dir.Path().c_str(), 0755);
  const std::string path = dir.File("data");
  WriteFile(path, std::string(kMapped, 'x'));
  if (::chown(path.c_str(), UserA(), GroupOf(UserA())) != 0) ADD_FAILURE() << "chown";
  return path;
}

// The helper started as a user through setpriv, with the groups the user
// has in the group database, spoken to line by line.
class RawHelper {
 public:
  explicit RawHelper(const std::string& helperPath, uid_t uid = UserA(), int errorFd = -1) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    socket_ = fds[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    if (errorFd >= 0) posix_spawn_file_actions_adddup2(&actions, errorFd, 2);
    const passwd* user = ::getpwuid(uid);
    const gid_t gid = user != nullptr ? user->pw_gid : uid;
    std::vector<std::string> args = {"setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid)};
    args.push_back(user != nullptr ? "--init-groups" : "--clear-groups");
    args.insert(args.end(), {"--", helperPath});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawnp(&child_, "setpriv", &actions, nullptr, argv.data(), environ) != 0) child_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
  }
  ~RawHelper() {
    if (socket_ >= 0) ::close(socket_);
    if (child_ > 0) {
      ::kill(child_, SIGCONT);
      ::waitpid(child_, nullptr, 0);
    }
  }
  bool Started() const { return child_ > 0; }
  pid_t Pid() const { return child_; }
  int Socket() const { return socket_; }

  // Sends bytes as they are; the next reply line, or "(none)".
  std::string Send(const std::string& bytes) { return Post(bytes) ? Reply() : "(send failed)"; }
  bool Post(const std::string& bytes) {
    return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  std::string Reply() {
    std::string line;
    for (;;) {
      pollfd p{socket_, POLLIN, 0};
      if (::poll(&p, 1, kWaitMs) != 1) return "(none)";
      char c = 0;
      if (::read(socket_, &c, 1) != 1) return "(none)";
      if (c == '\n') return line;
      line.push_back(c);
    }
  }
  static std::string Line(const std::string& verb, ProcessId pid, std::uint64_t start, const std::string& extra = {}) {
    return verb + " " + std::to_string(pid) + " " + std::to_string(start) + extra + "\n";
  }
  std::string Request(const std::string& verb, ProcessId pid, std::uint64_t start, const std::string& extra = {}) {
    return Send(Line(verb, pid, start, extra));
  }
  // Closes the pipe; the helper's exit status.
  int Close() {
    ::close(socket_);
    socket_ = -1;
    int status = 0;
    const pid_t done = ::waitpid(child_, &status, 0);
    child_ = -1;
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  int socket_ = -1;
  pid_t child_ = -1;
};

TEST(PrivProtocol, RequestsRoundTripAndAnythingElseIsRefused) {
  for (const priv::Request& r : {priv::Request{priv::Verb::Nice, 42, 7, -5}, priv::Request{priv::Verb::Nice, 42, 7, -10},
                                 priv::Request{priv::Verb::Reset, 1, 0, 0},
                                 priv::Request{priv::Verb::PageOut, 2147483647, 18446744073709551615ULL, 0}}) {
    const auto parsed = priv::ParseRequest(priv::FormatRequest(r));
    ASSERT_TRUE(parsed) << priv::FormatRequest(r);
    EXPECT_EQ(parsed->verb, r.verb);
    EXPECT_EQ(parsed->pid, r.pid);
    EXPECT_EQ(parsed->startTime, r.startTime);
    EXPECT_EQ(parsed->nice, r.nice);
  }
  for (const char* bad : {"", " ", "nice", "nice 1 1", "nice 1 1 -7", "nice 1 1 5", "nice 1 1 0", "nice 1 1 -5 ",
                          "reset 0 1", "reset -1 1", "reset +5 1", "reset 1 1 0", "reset 2147483648 1", "reset 1 -1",
                          "pageout 1", "pageout 1 1 extra", "PAGEOUT 1 1", "pageout  1 1", "pageout 1 99999999999999999999",
                          "pageout 0x10 1", "reset 1\t1"}) {
    EXPECT_FALSE(priv::ParseRequest(bad)) << '"' << bad << '"';
  }
  EXPECT_FALSE(priv::ParseRequest(std::string("reset 1\0 1", 10)));
  EXPECT_EQ(priv::ParseReply("ok"), 0);
  EXPECT_EQ(priv::ParseReply("again"), priv::kAgain);
  EXPECT_EQ(priv::ParseReply("err 1"), 1);
  for (const char* bad : {"", "err", "err 0", "err -3", "err x", "ok "}) EXPECT_FALSE(priv::ParseReply(bad)) << bad;
}

TEST(ProcReaders, StartTimeUidsAndResidentSize) {
  EXPECT_EQ(ParseStartTime("42 (a b) c) S 1 42 42 0 -1 4194560 1 0 0 0 3 4 0 0 20 0 2 0 987654 1000 50 rest"), 987654u);
  EXPECT_FALSE(ParseStartTime("42 (x) S 1 2"));
  EXPECT_FALSE(ParseStartTime("no brackets"));
  const auto uids = ParseUids("Name:\tUid:\t0\nUmask:\t0022\nUid:\t1000\t1001\t1002\t1003\nGid:\t5\t5\t5\t5\n");
  ASSERT_TRUE(uids);
  EXPECT_EQ(*uids, (std::array<uid_t, 3>{1000, 1001, 1002}));
  EXPECT_FALSE(ParseUids("Uid:\t1000\n"));
  EXPECT_EQ(ParseStatmResident("100 25 3 1 0 20 0\n", 4096), 25u * 4096);
  EXPECT_FALSE(ParseStatmResident("100\n", 4096));
  EXPECT_FALSE(ParseStatmResident("100 x 3\n", 4096));
  EXPECT_EQ(ResidentBytes("/proc", 0), std::nullopt);
  EXPECT_GT(ResidentBytes("/proc", static_cast<ProcessId>(::getpid())).value_or(0), 0u);
}

TEST(TarveloPriv, LiesWhereTheProgramLooksForIt) {
  EXPECT_EQ(PrivHelperPathBeside("/usr/bin/tarvelo"), "/usr/bin/../libexec/tarvelo/tarvelo-priv");
  // In the build tree too, relative to bin/tarvelo.
  EXPECT_EQ(std::filesystem::weakly_canonical(PrivHelperPathBeside(TARVELO_BIN_DIR "/tarvelo")),
            std::filesystem::weakly_canonical(TARVELO_PRIV_PATH));
}

class TarveloPrivTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) {
      if (InCi()) FAIL() << "CI runs the suite as root";
      GTEST_SKIP() << "needs root: setcap on the helper, processes of nobody";
    }
  }
};

TEST_F(TarveloPrivTest, RaisesAndResetsEveryThreadAndTheAutogroupOfTheCallersProcess) {
  HelperCopy helper(true);
  UserProcess target;
  ASSERT_TRUE(target.Ok());
  RawHelper raw(helper.Path());
  ASSERT_TRUE(raw.Started()) << "setpriv missing";
  for (const int nice : {-10, -5, 0}) {
    const std::string reply = nice == 0 ? raw.Request("reset", target.Pid(), target.StartTime())
                                        : raw.Request("nice", target.Pid(), target.StartTime(), " " + std::to_string(nice));
    ASSERT_TRUE(reply == "ok" || reply == "again") << nice << ": " << reply;
    const std::vector<int> nices = target.Nices();
    ASSERT_EQ(nices.size(), 2u);
    for (const int n : nices) EXPECT_EQ(n, nice);
    const auto group = ReadAutogroup("/proc", target.Pid());
    if (reply == "ok" && group && AutogroupEnabled("/proc")) {
      EXPECT_EQ(group->nice, nice);
    }
  }
  EXPECT_EQ(raw.Close(), 0) << "the helper ends with its input";
}

TEST_F(TarveloPrivTest, PagesOutTheCallersProcess) {
  HelperCopy helper(true);
  TempDir dir;
  UserProcess target(MappableFile(dir));
  ASSERT_TRUE(target.Ok());
  RawHelper raw(helper.Path());
  const std::uint64_t before = RssFileKiB(target.Pid());
  EXPECT_EQ(raw.Request("pageout", target.Pid(), target.StartTime()), "ok");
  const std::uint64_t after = RssFileKiB(target.Pid());
  EXPECT_GE(before, kMapped / 1024);
  EXPECT_LT(after, before / 4) << "RssFile " << before << " kB -> " << after << " kB";
}

TEST_F(TarveloPrivTest, RefusesOtherUsersProcessesReusedPidsAndGarbage) {
  HelperCopy helper(true);
  UserProcess target;
  ASSERT_TRUE(target.Ok());
  UserProcess otherUser({}, UserB());
  ASSERT_TRUE(otherUser.Ok());
  RawHelper raw(helper.Path());
  const std::string eperm = "err " + std::to_string(EPERM);
  const std::string esrch = "err " + std::to_string(ESRCH);
  const std::string einval = "err " + std::to_string(EINVAL);

  // Root's process (this one) and another user's.
  const auto self = static_cast<ProcessId>(::getpid());
  const std::uint64_t selfStart = *ParseStartTime(*ReadProcText("/proc/self/stat"));
  for (const char* verb : {"reset", "pageout"}) EXPECT_EQ(raw.Request(verb, self, selfStart), eperm) << verb;
  EXPECT_EQ(raw.Request("nice", self, selfStart, " -10"), eperm);
  EXPECT_EQ(raw.Request("nice", otherUser.Pid(), otherUser.StartTime(), " -5"), eperm);
  EXPECT_EQ(otherUser.Nices(), (std::vector<int>{0, 0}));

  // The pid of the process meant, now standing for another one (another
  // start time), and a pid that stands for nothing any more.
  EXPECT_EQ(raw.Request("nice", target.Pid(), target.StartTime() + 1, " -5"), esrch);
  EXPECT_EQ(raw.Request("pageout", target.Pid(), target.StartTime() - 1), esrch);
  EXPECT_EQ(target.Nices(), (std::vector<int>{0, 0}));
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  EXPECT_EQ(raw.Request("reset", static_cast<ProcessId>(ended), 1), esrch);

  // Garbage is refused line by line; the helper goes on.
  for (const std::string& bad : {std::string("\n"), std::string("hello\n"), std::string("nice 1 2 -19\n"),
                                 std::string("\x01\x02\xff\xfe\n"), std::string("reset 1\0 1\n", 11),
                                 std::string(5000, 'A') + "\n", std::string("reset ") + std::string(200, '9') + " 1\n"}) {
    EXPECT_EQ(raw.Send(bad), einval) << bad.size() << " bytes";
  }
  // Two requests in one write, the second split over two.
  const std::string nice = "nice " + std::to_string(target.Pid()) + " " + std::to_string(target.StartTime());
  // ("again": the threads are set, the autogroup waits for the kernel's rate limit.)
  EXPECT_THAT(raw.Send(nice + " -5\n" + nice.substr(0, 3)), ::testing::AnyOf("ok", "again"));
  EXPECT_THAT(raw.Send(nice.substr(3) + " -10\n"), ::testing::AnyOf("ok", "again"));
  EXPECT_EQ(target.Nices(), (std::vector<int>{-10, -10}));
  EXPECT_THAT(raw.Request("reset", target.Pid(), target.StartTime()), ::testing::AnyOf("ok", "again"));
  EXPECT_EQ(raw.Close(), 0);
}

TEST_F(TarveloPrivTest, WithoutItsCapabilityTheKernelRefusesAndNothingChanges) {
  HelperCopy helper(false);
  UserProcess target;
  ASSERT_TRUE(target.Ok());
  RawHelper raw(helper.Path());
  const std::string reply = raw.Request("nice", target.Pid(), target.StartTime(), " -5");
  EXPECT_TRUE(reply == "err " + std::to_string(EACCES) || reply == "err " + std::to_string(EPERM)) << reply;
  EXPECT_EQ(target.Nices(), (std::vector<int>{0, 0}));
}

// Runs body in a child process of the user nobody; the child's exit code is
// body's (0 when all held, else the number of the check that failed).
int AsUserA(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    const uid_t uid = UserA();
    const passwd* user = ::getpwuid(uid);
    if (user == nullptr || ::initgroups(kUserA, user->pw_gid) != 0 || ::setresgid(user->pw_gid, user->pw_gid, user->pw_gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0) {
      ::_exit(100);
    }
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(TarveloPrivTest, TheProgramRoutesThroughTheHelperAndSaysTruthfullyWhatItMay) {
  rlimit limit{};
  ::getrlimit(RLIMIT_NICE, &limit);
  if (limit.rlim_cur != 0) GTEST_SKIP() << "an RLIMIT_NICE allowance lets nobody raise priorities without the helper";
  HelperCopy capable(true);
  HelperCopy lacking(false);
  TempDir dir;
  UserProcess target(MappableFile(dir));
  ASSERT_TRUE(target.Ok());
  const ProcessId pid = target.Pid();

  EXPECT_EQ(AsUserA([&] {
              auto helper = std::make_shared<PrivHelper>(capable.Path());
              LinuxProcessPriorities priorities("/proc", helper);
              if (!priorities.MayRaiseTo(PriorityClass::High)) return 1;
              if (priorities.MayRaiseTo(PriorityClass::Idle)) return 2;  // not one of the helper's levels
              if (priorities.SetClass(pid, PriorityClass::High)) return 3;
              if (priorities.ClassOf(pid) != PriorityClass::High) return 4;
              if (priorities.SetClass(pid, PriorityClass::Normal)) return 5;
              if (priorities.ClassOf(pid) != PriorityClass::Normal) return 6;
              // Another user's process: refused, and said so.
              if (priorities.SetClass(1, PriorityClass::High) != std::errc::operation_not_permitted) return 7;
              LinuxWorkingSetTrimmer trimmer("/proc", helper);
              if (!trimmer.MayTrimOthers()) return 8;
              const auto before = trimmer.ResidentBytes(pid);
              const std::uint64_t fileBefore = RssFileKiB(pid);
              if (!trimmer.TrimWorkingSet(pid)) return 9;
              const auto after = trimmer.ResidentBytes(pid);
              // Without swap only the mapped file's pages can leave (a sanitizer's
              // anonymous shadow stays): those go, and the resident size falls.
              if (!before || !after || *after >= *before || RssFileKiB(pid) > fileBefore / 4) return 10;
              // What reading back after "Allow…" finds.
              if (!LinuxPrivileges(helper).Granted()) return 11;
              return 0;
            }),
            0);

  EXPECT_EQ(AsUserA([&] {
              auto helper = std::make_shared<PrivHelper>(lacking.Path());
              LinuxProcessPriorities priorities("/proc", helper);
              if (priorities.MayRaiseTo(PriorityClass::AboveNormal)) return 1;
              if (!priorities.SetClass(pid, PriorityClass::AboveNormal)) return 2;
              if (priorities.ClassOf(pid) != PriorityClass::Normal) return 3;
              if (LinuxWorkingSetTrimmer("/proc", helper).MayTrimOthers()) return 4;
              if (LinuxPrivileges(helper).Granted()) return 5;
              // No helper: nothing can be raised.
              auto missing = std::make_shared<PrivHelper>(lacking.Dir() + "/none");
              if (LinuxProcessPriorities("/proc", missing).MayRaiseTo(PriorityClass::High)) return 6;
              return 0;
            }),
            0);
}

TEST_F(TarveloPrivTest, AllowIsOfferedOnlyForTheInstalledHelperThatOnlyRootCanChange) {
  // The helper and tarvelo-grant installed as a package leaves them.
  TrustedDir root;
  if (root.Path().empty()) TARVELO_SKIP_OR_FAIL_IN_CI("no folder under /run that only root can change");
  const std::string libexec = root.File("libexec");
  std::filesystem::create_directory(libexec);
  ::chmod(libexec.c_str(), 0755);
  const GrantPaths installed{libexec + "/tarvelo-priv", libexec + "/tarvelo-grant"};
  for (const std::string& file : {installed.helper, installed.grantProgram}) {
    std::filesystem::copy_file(TARVELO_PRIV_PATH, file);
    ::chmod(file.c_str(), 0755);
  }
  // A copy of Tarvelo in the user's own folder with a link to the installed
  // helper beside it, where the program derives the helper it acts through;
  // and a build tree's helper, another file.
  TempDir home;
  ::chmod(home.Path().c_str(), 0755);
  const std::string userLink = home.File("tarvelo-priv");
  std::filesystem::create_symlink(installed.helper, userLink);
  if (::lchown(home.Path().c_str(), UserA(), GroupOf(UserA())) != 0 || ::lchown(userLink.c_str(), UserA(), GroupOf(UserA())) != 0) {
    FAIL() << "chown";
  }
  HelperCopy buildTree(false);
  std::filesystem::create_directory_symlink(libexec, root.File("linked"));
  const GrantPaths throughLink{root.File("linked/tarvelo-priv"), root.File("linked/tarvelo-grant")};

  // 1: pkexec <installed grant program>, which names no file of the user;
  // 0: nothing offered.
  const auto offer = [&](const std::string& acting, const GrantPaths& paths) {
    return AsUserA([&] {
      const auto command = LinuxPrivileges(std::make_shared<PrivHelper>(acting), paths).GrantCommand();
      if (command.empty()) return 0;
      return command == std::vector<std::string>{"pkexec", installed.grantProgram} ? 1 : 2;
    });
  };
  EXPECT_EQ(offer(installed.helper, installed), 1) << "the installed program";
  EXPECT_EQ(offer(userLink, installed), 1) << "a copy whose helper is a link to the installed one";
  EXPECT_EQ(offer(buildTree.Path(), installed), 0) << "granting would not reach the helper it uses";
  EXPECT_EQ(offer(installed.helper, throughLink), 0) << "the installed path goes through a link";
  EXPECT_EQ(LinuxPrivileges(nullptr, installed).ByHandCommand(), "setcap cap_sys_nice+ep " + installed.helper);

  ASSERT_EQ(::chown(libexec.c_str(), UserA(), GroupOf(UserA())), 0);
  EXPECT_EQ(offer(installed.helper, installed), 0) << "the user could swap the helper";
  ASSERT_EQ(::chown(libexec.c_str(), 0, 0), 0);
  ::chmod(installed.grantProgram.c_str(), 0775);
  EXPECT_EQ(offer(installed.helper, installed), 0) << "others could change the grant program";
  ::chmod(installed.grantProgram.c_str(), 0755);
  ASSERT_EQ(offer(installed.helper, installed), 1);

  // Given: nothing to offer, and reading back finds it.
  ASSERT_EQ(platform::linux_impl::Run({SetcapProgram(), "cap_sys_nice+ep", installed.helper}), 0);
  EXPECT_EQ(offer(installed.helper, installed), 0);
  EXPECT_EQ(AsUserA([&] { return LinuxPrivileges(std::make_shared<PrivHelper>(userLink), installed).Granted(); }), 1);
  // Root acts directly.
  ASSERT_EQ(platform::linux_impl::Run({SetcapProgram(), "-r", installed.helper}), 0);
  EXPECT_TRUE(LinuxPrivileges(std::make_shared<PrivHelper>(installed.helper), installed).GrantCommand().empty());
}

TEST_F(TarveloPrivTest, AnOrdinaryUsersProgramDropsEveryCapabilityRootKeepsItsRights) {
  // An older set-up gave the program file capabilities: they go at start.
  const pid_t child = ::fork();
  if (child == 0) {
    ::prctl(PR_SET_KEEPCAPS, 1, 0, 0, 0);
    if (::setresuid(UserA(), UserA(), UserA()) != 0) ::_exit(100);
    cap_t caps = cap_get_proc();
    const cap_value_t wanted[] = {CAP_SYS_NICE, CAP_SYS_PTRACE};
    cap_set_flag(caps, CAP_EFFECTIVE, 2, wanted, CAP_SET);
    if (cap_set_proc(caps) != 0 || !HasEffectiveSysNice()) ::_exit(101);
    cap_free(caps);
    LinuxPrivileges().EnableDebugPrivilege();
    caps = cap_get_proc();
    for (const cap_value_t cap : wanted) {
      for (const cap_flag_t flag : {CAP_EFFECTIVE, CAP_PERMITTED}) {
        cap_flag_value_t value = CAP_SET;
        cap_get_flag(caps, cap, flag, &value);
        if (value != CAP_CLEAR) ::_exit(1);
      }
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);

  LinuxPrivileges().EnableDebugPrivilege();
  EXPECT_TRUE(HasEffectiveSysNice()) << "root acts directly";
  EXPECT_TRUE(LinuxPrivileges(std::make_shared<PrivHelper>(TARVELO_PRIV_PATH)).GrantCommand().empty());
}

TEST_F(TarveloPrivTest, AReleaseReportsTheDropItMeasuredInTheTrimmedProcess) {
  TempDir dir;
  UserProcess target(MappableFile(dir));
  ASSERT_TRUE(target.Ok());
  platform::fake::FakeProcessTable table;
  table.processes = {{target.Pid(), "mapper"}, {4194303, "ended"}};
  LinuxWorkingSetTrimmer trimmer;
  const std::uint64_t before = *trimmer.ResidentBytes(target.Pid());
  const tarvelo::ReleaseResult result = tarvelo::MemoryReleaser(table, trimmer, [] { return true; }).Release();
  const std::uint64_t after = *trimmer.ResidentBytes(target.Pid());
  const auto measuredMB = static_cast<std::int64_t>((before - after) / 1048576);
  EXPECT_FALSE(result.onlyOwnProcess);
  EXPECT_GE(measuredMB, 40);
  EXPECT_LE(std::abs(result.releasedMB - measuredMB), 3) << result.releasedMB << " MB reported, " << measuredMB
                                                          << " MB measured";
}

// A process whose pid is given: the id of a thread that has just ended, taken
// over by someone else. It runs as the user, at the nice, until the end.
class ProcessAtPid {
 public:
  ProcessAtPid(pid_t pid, uid_t uid, int nice) {
    const gid_t gid = GroupOf(uid);
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return;
    clone_args args{};
    args.exit_signal = SIGCHLD;
    args.set_tid = reinterpret_cast<std::uint64_t>(&pid);
    args.set_tid_size = 1;
    // The id comes free once the thread has been reaped: try until then.
    for (int i = 0; i < 6000 && pid_ <= 0; ++i) {
      pid_ = static_cast<pid_t>(::syscall(SYS_clone3, &args, sizeof args));
      if (pid_ == 0) {
        ::close(ready[0]);
        ::setsid();
        if (::setpriority(PRIO_PROCESS, 0, nice) != 0) ::_exit(1);
        if (uid != 0 && (::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0)) ::_exit(1);
        [[maybe_unused]] auto n = ::write(ready[1], "x", 1);
        for (;;) ::pause();
      }
      if (pid_ < 0 && errno != EEXIST) break;
      if (pid_ < 0) ::usleep(1000);
    }
    ::close(ready[1]);
    ok_ = pid_ == pid && ReadyWithin(ready[0]);
    ::close(ready[0]);
  }
  ~ProcessAtPid() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Ok() const { return ok_; }
  int Nice() const { return ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid_)); }

 private:
  pid_t pid_ = -1;
  bool ok_ = false;
};

// A process of the user A whose second thread ends when told to.
class ProcessWithEndingThread {
 public:
  ProcessWithEndingThread() {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(end_) != 0) return;
    const uid_t uid = UserA();
    const gid_t gid = GroupOf(uid);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::setsid();
      if (::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) ::_exit(1);
      ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
      const int endFd = end_[0];
      std::thread([endFd] {
        char c = 0;
        [[maybe_unused]] auto n = ::read(endFd, &c, 1);
      }).detach();
      [[maybe_unused]] auto n = ::write(ready[1], "x", 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    ok_ = pid_ > 0 && ReadyWithin(ready[0]) && WaitForThreads(2);
    ::close(ready[0]);
    for (const int tid : ThreadsOf("/proc", Pid()).tids) {
      if (tid != pid_) tid_ = tid;
    }
  }
  ~ProcessWithEndingThread() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Ok() const { return ok_ && tid_ > 0; }
  ProcessId Pid() const { return static_cast<ProcessId>(pid_); }
  int Thread() const { return tid_; }
  std::uint64_t StartTime() const { return *ParseStartTime(*ReadProcText("/proc/" + std::to_string(pid_) + "/stat")); }
  // Ends the second thread and waits until it is gone.
  bool EndThread() {
    [[maybe_unused]] auto n = ::write(end_[1], "x", 1);
    return WaitForThreads(1);
  }

 private:
  bool WaitForThreads(std::size_t count) const {
    for (int i = 0; i < 6000; ++i) {
      if (ThreadsOf("/proc", Pid()).tids.size() == count) return true;
      ::usleep(10'000);
    }
    return false;
  }

  pid_t pid_ = -1;
  int end_[2] = {-1, -1};
  int tid_ = 0;
  bool ok_ = false;
};

// Whether the process is stopped (state T), waiting up to kWaitMs.
bool Stopped(pid_t pid) {
  for (int i = 0; i < kWaitMs / 10; ++i) {
    const auto stat = ReadProcText("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) return false;
    const auto close = stat->rfind(')');
    if (close != std::string::npos && stat->size() > close + 2 && (*stat)[close + 2] == 'T') return true;
    ::usleep(10'000);
  }
  return false;
}

// The paused test copy of the helper, run as the user A, stops before it
// reads and before it sets each thread's nice. At the step and thread chosen,
// the thread ends and another process takes its id; then the helper goes on.
// Whatever it did to that id is measured on the process that has it now.
TEST_F(TarveloPrivTest, AThreadIdThatChangesHandsIsLeftAsItWasFoundAndTheRequestRefused) {
  struct Case {
    const char* step;     // where the thread's id changes hands
    bool victimIsRoot;    // else the user B
    int victimNice;
    int setBefore;        // the process's nice before the request (by an earlier request)
    const char* request;  // " -10" for a raise, "" for a reset
    bool refused;         // the act may have hit the new owner: refused
  };
  for (const Case& c : {Case{"listed", false, 0, 0, " -10", false}, Case{"acting", false, 0, 0, " -10", true},
                        Case{"listed", true, -20, -10, "", false}}) {
    SCOPED_TRACE(std::string(c.step) + (c.victimIsRoot ? ", root's process" : ", B's process"));
    HelperCopy helper(true, TARVELO_PRIV_PAUSED_PATH);
    ProcessWithEndingThread target;
    ASSERT_TRUE(target.Ok());
    int errors[2];
    ASSERT_EQ(::pipe2(errors, O_CLOEXEC), 0);
    RawHelper raw(helper.Path(), UserA(), errors[1]);
    ::close(errors[1]);
    ASSERT_TRUE(raw.Started());
    // Answers each stop with SIGCONT, after the swap where the case wants
    // it, until the reply comes.
    std::unique_ptr<ProcessAtPid> victim;
    bool armed = false;  // the swap belongs to the request under test
    const auto serve = [&](const std::string& line) -> std::string {
      if (!raw.Post(line)) return "(send failed)";
      std::string pending;
      for (;;) {
        pollfd p[2] = {{raw.Socket(), POLLIN, 0}, {errors[0], POLLIN, 0}};
        if (::poll(p, 2, kWaitMs) <= 0) return "(nothing came)";
        if (p[1].revents & POLLIN) {
          char ch = 0;
          if (::read(errors[0], &ch, 1) != 1) return "(helper ended)";
          if (ch != '\n') {
            pending.push_back(ch);
            continue;
          }
          const auto space = pending.find(' ');
          const std::string step = pending.substr(0, space);
          const int tid = space == std::string::npos ? 0 : std::atoi(pending.c_str() + space + 1);
          pending.clear();
          if (!Stopped(raw.Pid())) return "(did not stop)";
          if (armed && tid == target.Thread() && step == c.step && !victim) {
            if (!target.EndThread()) return "(thread did not end)";
            victim = std::make_unique<ProcessAtPid>(tid, c.victimIsRoot ? 0 : UserB(), c.victimNice);
            if (!victim->Ok()) return "(no process at the id)";
          }
          ::kill(raw.Pid(), SIGCONT);
          continue;
        }
        if (p[0].revents != 0) return raw.Reply();
      }
    };
    if (c.setBefore != 0) {
      ASSERT_THAT(serve(RawHelper::Line("nice", target.Pid(), target.StartTime(), " " + std::to_string(c.setBefore))),
                  ::testing::AnyOf("ok", "again"));
    }
    armed = true;
    const std::string reply =
        serve(RawHelper::Line(*c.request ? "nice" : "reset", target.Pid(), target.StartTime(), c.request));
    ASSERT_TRUE(victim) << reply;
    EXPECT_EQ(victim->Nice(), c.victimNice) << "the process that took the id over";
    if (c.refused) {
      EXPECT_EQ(reply, "err " + std::to_string(ESTALE));
      EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(target.Pid())), c.setBefore) << "put back";
    } else {
      EXPECT_THAT(reply, ::testing::AnyOf("ok", "again"));
    }
    victim.reset();
    ::close(errors[0]);
  }
}

// Who is served: a member of the group (A) is; B, in no group and at no
// seat, gets "err 13" to every line and nothing changes. A reset only takes
// a thread back from below 0: what an administrator set above 0 stays.
TEST_F(TarveloPrivTest, OnlyMembersOfTheGroupAreServedAndAResetNeverUndoesALowering) {
  HelperCopy helper(true);
  const std::string eacces = "err " + std::to_string(EACCES);
  UserProcess ofB({}, UserB());
  ASSERT_TRUE(ofB.Ok());
  RawHelper asB(helper.Path(), UserB());
  EXPECT_EQ(asB.Send("\n"), eacces);
  EXPECT_EQ(asB.Request("nice", ofB.Pid(), ofB.StartTime(), " -10"), eacces);
  EXPECT_EQ(asB.Request("pageout", ofB.Pid(), ofB.StartTime()), eacces);
  EXPECT_EQ(ofB.Nices(), (std::vector<int>{0, 0}));

  UserProcess ofA;
  ASSERT_TRUE(ofA.Ok());
  for (const int tid : ThreadsOf("/proc", ofA.Pid()).tids) ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 19);
  RawHelper asA(helper.Path(), UserA());
  EXPECT_EQ(asA.Send("\n"), "err " + std::to_string(EINVAL)) << "A is served";
  EXPECT_THAT(asA.Request("reset", ofA.Pid(), ofA.StartTime()), ::testing::AnyOf("ok", "again"));
  EXPECT_EQ(ofA.Nices(), (std::vector<int>{19, 19})) << "an administrator's renice stays";
}

// A session that holds a process of root besides the caller's: the threads
// of the caller's process are raised, the autogroup they share is not.
TEST_F(TarveloPrivTest, AnAutogroupSharedWithRootKeepsItsNice) {
  if (!AutogroupEnabled("/proc")) GTEST_SKIP() << "autogroup scheduling is off";
  HelperCopy helper(true);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const uid_t uid = UserA();
  const gid_t gid = GroupOf(uid);
  // Root's session leader, with the user's process in its session.
  const pid_t leader = ::fork();
  if (leader == 0) {
    ::setsid();
    if (::fork() == 0) {
      if (::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) ::_exit(1);
      ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
      const pid_t self = ::getpid();
      [[maybe_unused]] auto n = ::write(ready[1], &self, sizeof self);
      for (;;) ::pause();
    }
    for (;;) ::pause();
  }
  ::close(ready[1]);
  pid_t user = -1;
  pollfd p{ready[0], POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, kWaitMs), 1);
  ASSERT_EQ(::read(ready[0], &user, sizeof user), static_cast<ssize_t>(sizeof user));
  ::close(ready[0]);
  const auto pid = static_cast<ProcessId>(user);
  RawHelper raw(helper.Path(), uid);
  const std::uint64_t start = *ParseStartTime(*ReadProcText("/proc/" + std::to_string(user) + "/stat"));
  EXPECT_EQ(raw.Request("nice", pid, start, " -10"), "ok");
  EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(user)), -10);
  ASSERT_TRUE(ReadAutogroup("/proc", pid));
  EXPECT_EQ(ReadAutogroup("/proc", pid)->nice, 0) << "root's process shares it";
  ::kill(-leader, SIGKILL);
  ::waitpid(leader, nullptr, 0);
}

TEST(PrivPolicy, AUserAtTheMachineIsOneInAnActiveLocalSession) {
  TempDir dir;
  const PolicyPlaces places{dir.Path(), "/proc"};
  const std::string inSession = "0::/user.slice/user-1000.slice/session-7.scope\n";
  const std::string inApp = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-x.scope\n";
  const std::string local = "UID=1000\nACTIVE=1\nREMOTE=0\nSEAT=seat0\n";
  struct Case {
    const char* name;
    std::string session7;
    std::string user1000;  // users/1000
    std::string cgroup;
    bool expected;
  };
  const Case cases[] = {
      {"its own session, active and local", local, "", inSession, true},
      {"not active", "UID=1000\nACTIVE=0\nREMOTE=0\nSEAT=seat0\n", "", inSession, false},
      {"remote", "UID=1000\nACTIVE=1\nREMOTE=1\nSEAT=\n", "", inSession, false},
      {"on no seat", "UID=1000\nACTIVE=1\nREMOTE=0\n", "", inSession, false},
      {"another user's session", "UID=1001\nACTIVE=1\nREMOTE=0\nSEAT=seat0\n", "", inSession, false},
      {"an app of the user's manager, the display session active", local, "DISPLAY=7\n", inApp, true},
      {"an app, no display session", local, "STATE=active\n", inApp, false},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir.Path());
    std::filesystem::create_directories(dir.Path() + "/seats");
    std::filesystem::create_directories(dir.Path() + "/sessions");
    std::filesystem::create_directories(dir.Path() + "/users");
    WriteFile(dir.Path() + "/sessions/7", c.session7);
    if (!c.user1000.empty()) WriteFile(dir.Path() + "/users/1000", c.user1000);
    EXPECT_EQ(InActiveLocalSession(1000, c.cgroup, places), c.expected) << c.name;
    EXPECT_TRUE(MayServe(1000, {5, 42}, 42, c.cgroup, places)) << "a member of the group: " << c.name;
  }
  std::filesystem::remove_all(dir.Path() + "/seats");
  EXPECT_FALSE(InActiveLocalSession(1000, inSession, places)) << "no logind";
  EXPECT_FALSE(MayServe(1000, {5}, 42, inSession, places));
  EXPECT_FALSE(MayServe(1000, {5, 42}, std::nullopt, inSession, places)) << "no such group";
  EXPECT_FALSE(SessionOfCgroup("0::/user.slice/user-1000.slice/session-../x.scope\n"));

  const std::string proc = "23 1 0:5 / /proc rw,nosuid - proc proc rw";
  EXPECT_TRUE(ProcShowsEveryone(proc + "\n", "/proc"));
  EXPECT_FALSE(ProcShowsEveryone(proc + ",hidepid=invisible\n", "/proc"));
  EXPECT_FALSE(ProcShowsEveryone(proc + ",hidepid=2,gid=5\n", "/proc"));
  EXPECT_TRUE(ProcShowsEveryone(proc + ",hidepid=0\n", "/proc"));
  EXPECT_FALSE(ProcShowsEveryone("", "/proc"));
}

}  // namespace
}  // namespace platform::linux_impl
