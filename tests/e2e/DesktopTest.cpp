// Tarvelo on a real systemd desktop: run by scripts/test-desktop.sh inside a
// Linux system booted under User-mode Linux, as an ordinary user with a user
// manager (user@UID.service), logind and cgroup v2. CPU limits through
// transient scopes, boosts through the weights of apps' scopes and through
// tarvelo-priv, each judged by what the kernel shows: the processor time a
// process gets, cpu.max and cpu.weight of its group, the nice of its threads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>

#include "e2e/Pages.h"
#include "e2e/Processes.h"
#include "e2e/XSession.h"
#include "platform/linux/helper/PrivHelper.h"
#include "platform/linux/limits/SystemdCpuLimiter.h"
#include "platform/linux/limits/SystemdUserManager.h"
#include "support/CpuShare.h"

namespace tarvelo::e2e {
namespace {

using namespace std::chrono_literals;
using platform::linux_impl::PrivHelper;
using platform::linux_impl::PrivHelperPathBeside;
using platform::linux_impl::SystemdCpuLimiter;
using platform::linux_impl::SystemdUserManager;

// The program under test: the copy the stage put, with its helper, on a file
// system that keeps file capabilities; else the build's.
QString Program() {
  const QString staged = qEnvironmentVariable("TARVELO_DESKTOP_PROGRAM");
  return staged.isEmpty() ? QString(TARVELO_EXECUTABLE) : staged;
}

double Processors() { return static_cast<double>(::sysconf(_SC_NPROCESSORS_ONLN)); }

std::string FirstLineOf(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// The cap of a cpu.max text as a share of the whole machine; nothing for
// "max".
std::optional<double> CapShare(const std::string& cpuMax) {
  std::istringstream fields(cpuMax);
  double quota = 0;
  double period = 0;
  if (!(fields >> quota >> period) || period <= 0) return std::nullopt;
  return quota / period / Processors();
}

// The cap the kernel holds a process to: the tightest cpu.max of its group
// and the groups above it (a group without the cpu controller has none).
std::optional<double> CapOf(pid_t pid) {
  std::string group = CgroupDirOf(pid);
  std::optional<double> tightest;
  while (group.size() > std::string("/sys/fs/cgroup").size()) {
    const auto cap = CapShare(FirstLineOf(group + "/cpu.max"));
    if (cap && (!tightest || *cap < *tightest)) tightest = cap;
    group.erase(group.rfind('/'));
  }
  return tightest;
}

bool Uncapped(pid_t pid) { return !CgroupDirOf(pid).empty() && !CapOf(pid); }

// What the process's own group shows, for messages.
std::string CpuMaxOf(pid_t pid) {
  const std::string group = CgroupDirOf(pid);
  const std::string cpuMax = FirstLineOf(group + "/cpu.max");
  return group + ": cpu.max " + (cpuMax.empty() ? "(none)" : "\"" + cpuMax + "\"");
}

std::optional<int> CpuWeightOf(pid_t pid) {
  const std::string text = FirstLineOf(CgroupDirOf(pid) + "/cpu.weight");
  if (text.empty()) return std::nullopt;
  return std::stoi(text);
}

// The CapEff mask of a process.
std::uint64_t EffectiveCapabilities(qint64 pid) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return ~0ULL;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("CapEff:")) return line.mid(7).trimmed().toULongLong(nullptr, 16);
  }
  return ~0ULL;
}

// Whether the process gets at least this share of the machine in one
// two-second window before the deadline.
bool RunsAtLeast(pid_t pid, double share, std::chrono::seconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    const double got = testing::MeasureShares({pid}, 2000ms)[0];
    if (got >= share) return true;
    std::fprintf(stderr, "%d: %.3f of the machine, waiting for %.3f\n", pid, got, share);
  }
  return false;
}

// What systemctl --user prints.
QString UserSystemctl(const QStringList& arguments) {
  QProcess systemctl;
  systemctl.start("systemctl", QStringList{"--user"} + arguments);
  if (!systemctl.waitForFinished(Limit(20000))) {
    systemctl.kill();
    systemctl.waitForFinished(1000);
    return "(systemctl did not answer)";
  }
  return QString::fromUtf8(systemctl.readAllStandardOutput()).trimmed();
}

QString FailedLimitScopes() {
  return UserSystemctl({"list-units", "--all", "--failed", "--plain", "--no-legend", "tarvelo-limit-*"});
}

// Limits a process through the dialog with one OK, the only one it gets.
// Then opens the dialog again: it opens only after the limit is done and no
// message box stands in front of the window; it is closed with Escape
// (Cancel). Holds when no message came and the process's own group has the
// cap.
::testing::AssertionResult LimitAtFirstOk(const Tarvelo& tarvelo, const Window& main, pid_t pid, int percent) {
  main.Click(kRefreshButton.x(), kRefreshButton.y());
  if (::kill(pid, 0) != 0) return ::testing::AssertionFailure() << pid << " has ended";
  SelectPid(main, pid);
  if (!LimitDialog(tarvelo, main).Limit(percent)) return ::testing::AssertionFailure() << "the dialog did not come and go";
  // While the program sets the limit, the test only reads /proc: its X tools
  // would take the processor from the program and the manager alike. A limit
  // moves the process into a scope of the program's.
  WaitFor([&] { return CgroupDirOf(pid).find("/tarvelo") != std::string::npos; }, 10000);
  main.Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> dialog;
  std::optional<Window> message;
  const bool answered = WaitFor(
      [&] {
        const QList<ShownWindow> shown = tarvelo.ShownWindows();
        return (message = MessageBox(shown)) || (dialog = WindowOfSize(shown, kLimitDialogSize));
      },
      20000);
  if (!answered) {
    return ::testing::AssertionFailure() << "after OK, neither the dialog again nor a message";
  }
  if (message) {
    message->Key("Return");
    WaitFor([&] { return !MessageBox(tarvelo); });
    return ::testing::AssertionFailure() << "the first OK for " << pid << " at " << percent
                                         << " % was refused with a message; " << CpuMaxOf(pid);
  }
  dialog->Key("Escape");
  WaitFor([&] { return !WindowOfSize(tarvelo, kLimitDialogSize); });
  const auto cap = CapOf(pid);
  if (!cap || std::abs(*cap - percent / 100.0) > 0.011) {
    return ::testing::AssertionFailure() << "after the first OK for " << pid << " at " << percent
                                         << " %: " << CpuMaxOf(pid);
  }
  return ::testing::AssertionSuccess();
}

// A busy process started now, the way a desktop starts an app: in a scope of
// its own, at the priority a user's programs have.
class BusyApp {
 public:
  BusyApp() {
    static int count = 0;
    unit_ = QString("app-tarvelotest-busy-%1-%2.scope").arg(::getpid()).arg(++count).toStdString();
    process_.start("systemd-run", {"--user", "--scope", "--quiet", "--unit=" + QString::fromStdString(unit_), "--",
                                   "sh", "-c", "while :; do :; done"});
    process_.waitForStarted(Limit(5000));
    // systemd-run becomes the loop once the scope holds it.
    ready_ = WaitFor([&] {
      QFile comm(QString("/proc/%1/comm").arg(Pid()));
      return CgroupDirOf(Pid()).find(unit_) != std::string::npos && comm.open(QIODevice::ReadOnly) &&
             comm.readAll().trimmed() == "sh";
    });
  }
  ~BusyApp() {
    process_.kill();
    process_.waitForFinished(5000);
  }
  BusyApp(const BusyApp&) = delete;
  BusyApp& operator=(const BusyApp&) = delete;

  pid_t Pid() const { return static_cast<pid_t>(process_.processId()); }
  bool Ready() const { return ready_; }

 private:
  std::string unit_;
  QProcess process_;
  bool ready_ = false;
};

// Measured over seconds, a capped process gets its cap, give or take the
// accounting's rounding.
double MostUnder(int percent) { return percent / 100.0 * 1.1 + 0.02; }

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    auto bus = SystemdUserManager::OpenUserBus();
    ASSERT_TRUE(bus.Ok() && SystemdCpuLimiter::Usable(*bus.value))
        << "needs a systemd user session with the cpu controller delegated: scripts/test-desktop.sh runs this suite";
  }
};

TEST_F(Desktop, ThreeFreshProcessesAreLimitedAtTheFirstOkAndRunFreelyAfterRelease) {
  Tarvelo tarvelo(nullptr, {}, Program());
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  main->Click(kCpuEntry.x(), kCpuEntry.y());

  // Together below one processor: each cap holds its process below what it
  // would get beside the others.
  constexpr std::array<int, 3> kPercents{10, 15, 20};
  std::array<std::unique_ptr<BusyApp>, 3> busy;
  std::array<bool, 3> limited{};
  for (std::size_t i = 0; i < busy.size(); ++i) {
    busy[i] = std::make_unique<BusyApp>();  // started just before its limit
    ASSERT_TRUE(busy[i]->Ready());
    const auto result = LimitAtFirstOk(tarvelo, *main, busy[i]->Pid(), kPercents[i]);
    EXPECT_TRUE(result);
    limited[i] = static_cast<bool>(result);
  }

  const auto shares =
      testing::MeasureShares({busy[0]->Pid(), busy[1]->Pid(), busy[2]->Pid()}, std::chrono::milliseconds(5000));
  for (std::size_t i = 0; i < busy.size(); ++i) {
    if (limited[i]) {
      EXPECT_LE(shares[i], MostUnder(kPercents[i])) << kPercents[i] << " %";
    } else {
      busy[i].reset();  // unlimited, it would take what the released ones should get
    }
  }

  // Released one by one. The processes still limited hold at most their
  // caps, so the released one should get at least half of what they leave;
  // then it ends, and takes nothing from the next.
  for (std::size_t i = 0; i < busy.size(); ++i) {
    if (!limited[i]) continue;
    const pid_t pid = busy[i]->Pid();
    main->Click(kRefreshButton.x(), kRefreshButton.y());
    SelectPid(*main, pid);
    ASSERT_TRUE(LimitDialog(tarvelo, *main).Release());
    EXPECT_TRUE(WaitFor([&] { return Uncapped(pid); })) << "Release lifts the cap: " << CpuMaxOf(pid);
    double left = 1.0;
    for (std::size_t j = i + 1; j < busy.size(); ++j) left -= limited[j] ? kPercents[j] / 100.0 : 0.0;
    const double free = std::min(left, 1.0 / Processors());
    EXPECT_TRUE(RunsAtLeast(pid, free / 2, 60s)) << kPercents[i] << " % released";
    busy[i].reset();
  }

  EXPECT_EQ(FailedLimitScopes(), "") << "no failed scope stays behind";
  EXPECT_TRUE(tarvelo.Running());
  tarvelo.Signal(SIGTERM);
  EXPECT_EQ(tarvelo.WaitForExit(20000), 0);
}

TEST_F(Desktop, AKilledProgramsLimitIsLiftedByItsNextStart) {
  auto tarvelo = std::make_unique<Tarvelo>(nullptr, QStringList{}, Program());
  auto main = tarvelo->MainWindow();
  ASSERT_TRUE(main) << tarvelo->Output().toStdString();
  main->Click(kCpuEntry.x(), kCpuEntry.y());
  const BusyApp busy;
  ASSERT_TRUE(busy.Ready());
  ASSERT_TRUE(LimitAtFirstOk(*tarvelo, *main, busy.Pid(), 10));
  EXPECT_LE(testing::MeasureShares({busy.Pid()}, 4000ms)[0], MostUnder(10));

  tarvelo->Signal(SIGKILL);
  tarvelo->WaitForExit();
  const auto cap = CapOf(busy.Pid());
  EXPECT_TRUE(cap && std::abs(*cap - 0.10) < 0.011) << "a crash lifts nothing: " << CpuMaxOf(busy.Pid());

  // The next start of the same user's program, with the same runtime folder.
  tarvelo = std::make_unique<Tarvelo>(tarvelo->SharedDirs(), QStringList{}, Program());
  EXPECT_TRUE(WaitFor([&] { return Uncapped(busy.Pid()); }, 20000)) << CpuMaxOf(busy.Pid());
  EXPECT_TRUE(RunsAtLeast(busy.Pid(), 0.5 / Processors(), 60s)) << "full speed again";
  EXPECT_TRUE(tarvelo->MainWindow());
  EXPECT_EQ(FailedLimitScopes(), "");
}

// How a desktop starts an app: in a scope of its own under app.slice.
QStringList AppScope(const QString& name, const QStringList& properties = {}) {
  return QStringList{"systemd-run", "--user", "--scope", "--quiet", "--unit=" + name} + properties + QStringList{"--"};
}

// A copy of the program with no tarvelo-priv beside it: its booster has the
// unit weights and nothing else.
class ProgramWithoutHelper {
 public:
  ProgramWithoutHelper() {
    ok_ = QFile::copy(Program(), Path()) &&
          QFile::copy(QFileInfo(Program()).dir().filePath("Tarvelo.ico"), dir_.filePath("Tarvelo.ico"));
  }
  bool Ok() const { return ok_ && !PrivHelper(PrivHelperPathBeside(Path().toStdString())).FileHasCapability(); }
  QString Path() const { return dir_.filePath("tarvelo"); }

 private:
  QTemporaryDir dir_;
  bool ok_ = false;
};

TEST_F(Desktop, TheAppInFrontGetsTheWeightOfItsScopeBackWhenAnotherComesAndAtTheEnd) {
  ProgramWithoutHelper copy;
  ASSERT_TRUE(copy.Ok());
  ASSERT_FALSE(MayRaisePriorities()) << "the user could raise priorities itself";
  Tarvelo tarvelo(nullptr, {}, copy.Path());
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  // Its unit's weight; none while the unit's group has no cpu controller.
  const int ownWeight = CpuWeightOf(tarvelo.Pid()).value_or(100);
  ASSERT_TRUE(EnableBooster(tarvelo, *main));

  const QString tag = QString::number(::getpid());
  OtherProgram a("Weighted A", {10, 10}, AppScope("app-tarvelotest-a-" + tag + ".scope"));
  const auto windowA = a.WaitForWindow();
  ASSERT_TRUE(windowA);
  // B's app set a weight of its own, which must come back exactly.
  OtherProgram b("Weighted B", {10, 250}, AppScope("app-tarvelotest-b-" + tag + ".scope", {"-p", "CPUWeight=50"}));
  const auto windowB = b.WaitForWindow();
  ASSERT_TRUE(windowB);
  ASSERT_NE(CgroupDirOf(a.Pid()).find("/app-tarvelotest-a-"), std::string::npos) << CgroupsOf(a.Pid());

  Activate(*windowA);
  EXPECT_TRUE(WaitFor([&] { return CpuWeightOf(a.Pid()) == 300; }, 5000)) << "A: " << CpuWeightOf(a.Pid()).value_or(-1);
  EXPECT_TRUE(WaitFor([&] { return CpuWeightOf(b.Pid()) == 50; }, 5000)) << "B: " << CpuWeightOf(b.Pid()).value_or(-1);
  EXPECT_TRUE(AllThreadsAt(a.Pid(), 0)) << "the weight alone";

  Activate(*windowB);
  EXPECT_TRUE(WaitFor([&] { return CpuWeightOf(b.Pid()) == 300; }, 5000)) << "B: " << CpuWeightOf(b.Pid()).value_or(-1);
  EXPECT_TRUE(WaitFor([&] { return CpuWeightOf(a.Pid()) == 100; }, 5000)) << "A: " << CpuWeightOf(a.Pid()).value_or(-1);
  EXPECT_EQ(CpuWeightOf(tarvelo.Pid()).value_or(100), ownWeight) << "never the unit that holds the program";

  tarvelo.Signal(SIGTERM);
  EXPECT_EQ(tarvelo.WaitForExit(20000), 0);
  EXPECT_EQ(CpuWeightOf(b.Pid()), 50) << "the end puts B's own weight back";
  EXPECT_EQ(CpuWeightOf(a.Pid()), 100);
}

TEST_F(Desktop, TarveloPrivRaisesTheProcessInFrontAndPutsItBack) {
  const PrivHelper helper(PrivHelperPathBeside(Program().toStdString()));
  ASSERT_TRUE(helper.FileHasCapability()) << helper.Path() << " lacks cap_sys_nice+ep, which the stage sets";
  ASSERT_FALSE(MayRaisePriorities()) << "the user could raise priorities itself: nothing would show the helper's part";
  Tarvelo tarvelo(nullptr, {}, Program());
  const auto main = tarvelo.MainWindow();
  ASSERT_TRUE(main) << tarvelo.Output().toStdString();
  ASSERT_TRUE(EnableBooster(tarvelo, *main));
  // Its own window is in front first.
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), -5); }, 5000));
  EXPECT_EQ(EffectiveCapabilities(tarvelo.Pid()), 0u) << "the program itself holds no capability";

  // Both in the program's own unit, whose weight the booster leaves alone:
  // only the helper can act on them.
  OtherProgram a("Helper target A", {10, 10});
  const auto windowA = a.WaitForWindow();
  ASSERT_TRUE(windowA);
  Activate(*windowA);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), -5); }, 5000)) << "A: Above Normal";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(tarvelo.Pid(), 0); }, 5000)) << "the program back to Normal";
  if (AutogroupsEnabled()) {
    EXPECT_EQ(AutogroupNice(a.Pid()), -5);
  }

  OtherProgram b("Helper target B", {10, 250});
  const auto windowB = b.WaitForWindow();
  ASSERT_TRUE(windowB);
  Activate(*windowB);
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(b.Pid(), -5); }, 5000)) << "B: Above Normal";
  EXPECT_TRUE(WaitFor([&] { return AllThreadsAt(a.Pid(), 0); }, 5000)) << "A back to Normal";

  tarvelo.Signal(SIGTERM);
  EXPECT_EQ(tarvelo.WaitForExit(20000), 0);
  EXPECT_TRUE(AllThreadsAt(b.Pid(), 0)) << "the end puts B back";
}

}  // namespace
}  // namespace tarvelo::e2e
