// The CPU limits end to end: three limits set through the real dialog, the
// fourth refused with the message; a limit that takes effect on a busy
// process and is lifted by Release, by the program's end and, after a crash,
// by its next start.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <fstream>

#include "e2e/Pages.h"
#include "e2e/Processes.h"
#include "e2e/XSession.h"
#include "platform/linux/limits/LinuxCpuLimiter.h"
#include "support/CpuShare.h"

namespace tarvelo::e2e {
namespace {

bool Capped(pid_t pid) { return CgroupsOf(pid).find("tarvelo") != std::string::npos; }

// Finds the busy process's row by its PID and limits it at the dialog's
// 99 %. Should the keys reach another row on a busy machine, that row's
// limit is released, or its dialog or refusal dismissed, and it is tried
// again. On failure, says what each try saw.
::testing::AssertionResult FindAndLimit(const Tarvelo& tarvelo, const Window& window, pid_t busy) {
  LimitDialog dialog(tarvelo, window);
  std::string tries;
  for (int attempt = 0; attempt < 3; ++attempt) {
    window.Click(kRefreshButton.x(), kRefreshButton.y());
    SelectPid(window, busy);
    if (!dialog.Limit(99)) {
      tries += " [the dialog did not come, or not as a new limit's]";
      continue;
    }
    std::optional<Window> message;
    WaitFor([&] { return Capped(busy) || (message = MessageBox(tarvelo)); });
    if (Capped(busy)) return ::testing::AssertionSuccess();
    if ((message = MessageBox(tarvelo))) {
      tries += " [a message: " + message->Name().toStdString() + "]";
      message->Key("Return");
      WaitFor([&] { return !MessageBox(tarvelo); });
    } else {
      tries += " [another process was limited]";
      dialog.Release();
    }
  }
  return ::testing::AssertionFailure() << "limit of " << busy << ":" << tries << "; cgroups " << CgroupsOf(busy);
}

bool NoTarveloGroupLeft() {
  for (const char* hierarchy : {"/sys/fs/cgroup/tarvelo", "/sys/fs/cgroup/cpu/tarvelo", "/sys/fs/cgroup/cpu,cpuacct/tarvelo"}) {
    std::ifstream probe(std::string(hierarchy) + "/cgroup.procs");
    if (probe) return false;
  }
  return true;
}

bool LimitsWork() { return platform::linux_impl::CreateLinuxCpuLimiter()->Available(); }

TEST(CpuLimit, ThreeLimitsThroughTheDialogThenTheFourthIsRefused) {
  if (!LimitsWork()) GTEST_SKIP() << "no way to cap processes here";
  // Three processes of the test's own: a limit is freed when its process ends.
  std::array<testing::BusyChild, 3> sleepers{testing::BusyChild(false), testing::BusyChild(false),
                                             testing::BusyChild(false)};
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  window->Click(kCpuEntry.x(), kCpuEntry.y());
  for (const testing::BusyChild& sleeper : sleepers) {
    ASSERT_TRUE(FindAndLimit(tarvelo, *window, sleeper.Pid()));
  }

  SelectRow(*window, 0);
  window->Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> message;
  ASSERT_TRUE(WaitFor([&] { return (message = MessageBox(tarvelo)).has_value(); }));
  EXPECT_EQ(message->Name(), "Tarvelo") << "the refusal, not the dialog";
  message->Key("Return");
  EXPECT_TRUE(WaitFor([&] { return tarvelo.Windows().size() == 1; }));
  EXPECT_TRUE(tarvelo.Running());
  // An orderly end lifts the three limits.
  tarvelo.Signal(SIGTERM);
  EXPECT_EQ(tarvelo.WaitForExit(20000), 0);
  for (const testing::BusyChild& sleeper : sleepers) EXPECT_FALSE(Capped(sleeper.Pid()));
}

TEST(CpuLimit, ALimitTakesEffectAndIsLiftedByReleaseExitAndTheStartAfterACrash) {
  if (!LimitsWork()) {
    GTEST_SKIP() << "no way to cap processes here (needs root with the cpu cgroup controller, or a systemd desktop)";
  }
  testing::BusyChild reference;
  auto tarvelo = std::make_unique<Tarvelo>();
  auto window = tarvelo->MainWindow();
  ASSERT_TRUE(window);
  window->Click(kCpuEntry.x(), kCpuEntry.y());

  auto busy = std::make_unique<testing::BusyChild>();
  const std::string before = CgroupsOf(busy->Pid());
  ASSERT_TRUE(FindAndLimit(*tarvelo, *window, busy->Pid())) << "the busy process was limited";
  ASSERT_TRUE(LimitDialog(*tarvelo, *window).Adjust(20));
  EXPECT_LE(testing::MeasureShares({busy->Pid()}, std::chrono::seconds(4))[0], 0.22)
      << "at most 20 % of the whole machine";

  ASSERT_TRUE(LimitDialog(*tarvelo, *window).Release());
  EXPECT_TRUE(WaitFor([&] { return !Capped(busy->Pid()); })) << "Release lifts the cap at once";
  EXPECT_EQ(CgroupsOf(busy->Pid()), before);
  EXPECT_TRUE(testing::RunsAsFastAs(busy->Pid(), reference.Pid(), 0.5, std::chrono::seconds(90)));

  // The orderly end lifts every limit.
  ASSERT_TRUE(LimitDialog(*tarvelo, *window).Limit(20));
  ASSERT_TRUE(WaitFor([&] { return Capped(busy->Pid()); }));
  EXPECT_LE(testing::MeasureShares({busy->Pid()}, std::chrono::seconds(3))[0], 0.22);
  tarvelo->Signal(SIGTERM);
  EXPECT_EQ(tarvelo->WaitForExit(20000), 0);
  EXPECT_FALSE(Capped(busy->Pid()));
  EXPECT_TRUE(NoTarveloGroupLeft());
  EXPECT_TRUE(testing::RunsAsFastAs(busy->Pid(), reference.Pid(), 0.5, std::chrono::seconds(90)));

  // A crash leaves the limit; the next start lifts it before anything else.
  tarvelo = std::make_unique<Tarvelo>();
  window = tarvelo->MainWindow();
  ASSERT_TRUE(window);
  window->Click(kCpuEntry.x(), kCpuEntry.y());
  busy = std::make_unique<testing::BusyChild>();
  ASSERT_TRUE(FindAndLimit(*tarvelo, *window, busy->Pid()));
  tarvelo->Signal(SIGKILL);
  tarvelo->WaitForExit();
  EXPECT_TRUE(Capped(busy->Pid())) << "a crash cannot lift anything";
  tarvelo = std::make_unique<Tarvelo>();
  EXPECT_TRUE(WaitFor([&] { return !Capped(busy->Pid()); }, 20000)) << "the next start lifts the leftover";
  EXPECT_TRUE(NoTarveloGroupLeft());
  EXPECT_TRUE(tarvelo->MainWindow());
}

}  // namespace
}  // namespace tarvelo::e2e
