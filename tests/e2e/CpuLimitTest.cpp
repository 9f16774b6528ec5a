// The CPU limits end to end: three limits set through the real dialog, the
// fourth refused with the message; a limit that takes effect on a busy
// process and is lifted by Release, by the program's end and, after a crash,
// by its next start.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/XSession.h"
#include "platform/linux/LinuxCpuLimiter.h"
#include "support/CpuShare.h"

namespace tarvelo::e2e {
namespace {

// In window coordinates: the CPU page's panel is at (256, 144).
constexpr QPoint kCpuEntry(120, 204 + 18);
constexpr QPoint kFirstRow(256 + 25 + 60, 144 + 113 + 30);
constexpr QPoint kLimitButton(256 + 168 + 48, 144 + 336 + 12);
constexpr QPoint kDialogOk(136 + 44, 176 + 12);
const QSize kDialogSize(474, 237);
constexpr QPoint kRefreshButton(256 + 56 + 48, 144 + 336 + 12);
constexpr QPoint kDialogRelease(240 + 44, 144 + 12);
constexpr QPoint kDialogSlider(130, 100);

std::optional<Window> WindowOfSize(const Tarvelo& tarvelo, QSize size) {
  for (const Window& w : tarvelo.Windows()) {
    if (w.Geometry().size() == size) return w;
  }
  return std::nullopt;
}

TEST(CpuLimit, ThreeLimitsThroughTheDialogThenTheFourthIsRefused) {
  Tarvelo tarvelo;
  const auto window = tarvelo.MainWindow();
  ASSERT_TRUE(window);
  window->Click(kCpuEntry.x(), kCpuEntry.y());
  window->Click(kFirstRow.x(), kFirstRow.y());

  // The top rows: the oldest processes, which outlive the test (a limit on a
  // process that has ended is refused).
  for (int limit = 0; limit < 3; ++limit) {
    window->Click(kFirstRow.x(), kFirstRow.y());
    window->Key("Home");
    for (int down = 0; down < limit; ++down) RunTool("xdotool", {"key", "Down"});
    window->Click(kLimitButton.x(), kLimitButton.y());
    std::optional<Window> dialog;
    ASSERT_TRUE(WaitFor([&] { return (dialog = WindowOfSize(tarvelo, kDialogSize)).has_value(); }))
        << "the dialog for limit " << limit + 1;
    EXPECT_EQ(dialog->Name(), "Limit process CPU usage");
    dialog->Click(kDialogOk.x(), kDialogOk.y());
    ASSERT_TRUE(WaitFor([&] { return !WindowOfSize(tarvelo, kDialogSize); })) << "OK closes the dialog";
  }

  window->Click(kFirstRow.x(), kFirstRow.y());
  window->Key("Home");
  for (int down = 0; down < 3; ++down) RunTool("xdotool", {"key", "Down"});
  window->Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> message;
  ASSERT_TRUE(WaitFor([&] {
    for (const Window& w : tarvelo.Windows()) {
      if (w.Geometry().size() != QSize(786, 557)) message = w;
    }
    return message.has_value();
  }));
  EXPECT_EQ(message->Name(), "Tarvelo") << "the refusal, not the dialog";
  EXPECT_NE(message->Geometry().size(), kDialogSize);
  message->Key("Return");
  EXPECT_TRUE(WaitFor([&] { return tarvelo.Windows().size() == 1; }));
  EXPECT_TRUE(tarvelo.Running());
  // An orderly end lifts the three limits.
  tarvelo.Signal(SIGTERM);
  EXPECT_EQ(tarvelo.WaitForExit(20000), 0);
}

std::string CgroupsOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cgroup");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
bool Capped(pid_t pid) { return CgroupsOf(pid).find("tarvelo") != std::string::npos; }

constexpr QPoint kDialogModify(136 + 44, 144 + 12);


// Drives the dialog of the selected row.
class LimitDialog {
 public:
  LimitDialog(const Tarvelo& tarvelo, const Window& window) : tarvelo_(tarvelo), window_(window) {}

  // NewLimit mode: the slider, then OK.
  bool Limit(int percent) { return Press(kDialogOk, percent); }
  // ChangeLimit mode: the slider, then Adjustment; or Release.
  bool Adjust(int percent) { return Press(kDialogModify, percent); }
  bool Release() { return Press(kDialogRelease, 0); }

 private:
  bool Press(QPoint button, int percent) {
    window_.Click(kLimitButton.x(), kLimitButton.y());
    std::optional<Window> dialog;
    if (!WaitFor([&] { return (dialog = WindowOfSize(tarvelo_, kDialogSize)).has_value(); })) return false;
    if (percent > 0 && percent != 99) {
      // From 1 %, steps of ten, then single steps.
      dialog->Click(kDialogSlider.x(), kDialogSlider.y());
      dialog->Key("Home");
      const int tens = (percent - 1 + 5) / 10;
      const int rest = percent - 1 - tens * 10;
      for (int step = 0; step < tens; ++step) RunTool("xdotool", {"key", "Prior"});
      for (int step = 0; step < std::abs(rest); ++step) RunTool("xdotool", {"key", rest > 0 ? "Right" : "Left"});
    }
    dialog->Click(button.x(), button.y());
    return WaitFor([&] { return !WindowOfSize(tarvelo_, kDialogSize); });
  }

  const Tarvelo& tarvelo_;
  const Window& window_;
};

bool NoTarveloGroupLeft();

std::optional<Window> MessageBox(const Tarvelo& tarvelo) {
  for (const Window& w : tarvelo.Windows()) {
    const QSize size = w.Geometry().size();
    if (size != QSize(786, 557) && size != kDialogSize) return w;
  }
  return std::nullopt;
}

// The row a process has in a list made now: the list holds the processes
// whose executable can be read, in the order of /proc.
int RowOf(pid_t pid) {
  int row = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    if (name == std::to_string(pid)) return row;
    std::error_code linkError;
    (void)std::filesystem::read_symlink(entry.path() / "exe", linkError);
    if (!linkError) ++row;
  }
  return -1;
}

// Finds the busy process's row and limits it at the dialog's 99 %. Processes
// start and end while the list is made, so the rows next to the expected one
// are tried too: a wrong row's limit is released, a refusal (a process that
// has ended) dismissed.
bool FindAndLimit(const Tarvelo& tarvelo, const Window& window, pid_t busy) {
  LimitDialog dialog(tarvelo, window);
  window.Click(kRefreshButton.x(), kRefreshButton.y());
  const int expected = RowOf(busy);
  for (int attempt = 0; attempt < 15; ++attempt) {
    const int row = expected + (attempt % 2 == 0 ? attempt / 2 : -(attempt + 1) / 2);
    if (row < 0) continue;
    window.Click(kFirstRow.x(), kFirstRow.y());
    window.Key("Home");
    if (row > 0) RunTool("xdotool", {"key", "--repeat", QString::number(row), "--delay", "5", "Down"});
    if (!dialog.Limit(99)) return false;
    std::optional<Window> message;
    WaitFor([&] { return Capped(busy) || (message = MessageBox(tarvelo)) || !NoTarveloGroupLeft(); }, 5000);
    if (Capped(busy)) return true;
    if ((message = MessageBox(tarvelo))) {
      message->Key("Return");
      WaitFor([&] { return !MessageBox(tarvelo); });
    } else {
      dialog.Release();
    }
  }
  return false;
}

bool NoTarveloGroupLeft() {
  for (const char* hierarchy : {"/sys/fs/cgroup/tarvelo", "/sys/fs/cgroup/cpu/tarvelo", "/sys/fs/cgroup/cpu,cpuacct/tarvelo"}) {
    std::ifstream probe(std::string(hierarchy) + "/cgroup.procs");
    if (probe) return false;
  }
  return true;
}

TEST(CpuLimit, ALimitTakesEffectAndIsLiftedByReleaseExitAndTheStartAfterACrash) {
  if (!platform::linux_impl::CreateLinuxCpuLimiter()->Available()) {
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
  EXPECT_TRUE(testing::RunsAsFastAs(busy->Pid(), reference.Pid(), 0.7, std::chrono::seconds(60)));

  // The orderly end lifts every limit.
  ASSERT_TRUE(LimitDialog(*tarvelo, *window).Limit(20));
  ASSERT_TRUE(WaitFor([&] { return Capped(busy->Pid()); }));
  EXPECT_LE(testing::MeasureShares({busy->Pid()}, std::chrono::seconds(3))[0], 0.22);
  tarvelo->Signal(SIGTERM);
  EXPECT_EQ(tarvelo->WaitForExit(20000), 0);
  EXPECT_FALSE(Capped(busy->Pid()));
  EXPECT_TRUE(NoTarveloGroupLeft());
  EXPECT_TRUE(testing::RunsAsFastAs(busy->Pid(), reference.Pid(), 0.7, std::chrono::seconds(60)));

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
