// The control's properties, saved state, life cycle and sampling.
#include <gtest/gtest.h>

#include "monitor/CpuMonitorModel.h"
#include "monitor/MonitorFixture.h"

namespace tarvelo::monitor {
namespace {

using testing::FakeHost;
using testing::kDarkGrey;
using testing::kLightOrange;
using testing::kSecond;
using testing::MonitorTest;
using testing::StatusPageState;

using Properties = MonitorTest;

TEST_F(Properties, FirstCreationTakesTheDefaultsAndDoesNotMonitor) {
  model = std::make_unique<CpuMonitorModel>(MonitorPlatform::From(fake.platform), host, true);
  model->Resize(100, 40);
  fake.diskSpace->systemDirectory = "D:\\WINNT";
  model->InitProperties();
  const CpuMonitorModel& m = *model;
  EXPECT_EQ(m.BackColor(), 0u);
  EXPECT_EQ(m.Appearance(), 1);
  EXPECT_EQ(m.BorderStyle(), 1);
  EXPECT_TRUE(m.Enabled());
  EXPECT_TRUE(m.CPUMonitorDisplayed() && m.MemoryLoadDisplayed() && m.PageFileDisplayed() &&
              m.VirtualMemoryDisplayed() && m.HDMonitorDisplayed() && m.DisplayGrid() && m.ScrollGrid());
  EXPECT_EQ(m.CPUMonitorColor(), 65280u);
  EXPECT_EQ(m.MemoryLoadColor(), 65535u);
  EXPECT_EQ(m.PageFileColor(), 255u);
  EXPECT_EQ(m.VirtualMemoryColor(), 16711680u);
  EXPECT_EQ(m.DisplayGridColor(), 32768u);
  EXPECT_EQ(m.HDMonitorColor(), 16744703u);
  EXPECT_EQ(m.UpdateInterval(), 1000);
  EXPECT_EQ(m.DiagramStyle(), 0);
  EXPECT_EQ(m.HDDriveLetter(), "D:\\") << "the first three characters of the system directory";
  EXPECT_EQ(m.ScaleWidth(), 96) << "a three-dimensional border of 2 pixels";
  EXPECT_EQ(m.Surface().Pixel(50, 20), 0u);
  EXPECT_EQ(m.Surface().Pixel(0, 0), 32768u) << "the grid";

  EXPECT_TRUE(m.LevelHistory().empty());
  EXPECT_EQ(host.interval, -1) << "the timer got no interval";
  model->Timer1Tick();
  EXPECT_TRUE(host.updates.empty());

  // Saved, only the drive differs from its default.
  PropertyBag bag;
  m.WriteProperties(bag);
  EXPECT_EQ(bag.Entries(), (std::vector<PropertyBag::Entry>{{"HDDriveLetter", std::string("D:\\")}}));
}

TEST_F(Properties, SavedStateHoldsWhatDiffersInItsOrder) {
  Load(PropertyBag{});
  model->SetMemoryLoadColor(123);
  model->SetBackColor(kDarkGrey);
  model->SetDiagramStyle(2);
  model->SetScrollGrid(false);
  ASSERT_TRUE(model->SetAppearance(0));
  model->SetEnabled(false);
  model->SetHDDriveLetter("e");
  PropertyBag bag;
  model->WriteProperties(bag);
  EXPECT_EQ(bag.Entries(), (std::vector<PropertyBag::Entry>{
                               {"BackColor", std::int64_t{kDarkGrey}},
                               {"Appearance", std::int64_t{0}},
                               {"MemoryColor", std::int64_t{123}},
                               {"Enabled", false},
                               {"ScrollGrid", false},
                               {"DiagramStyle", std::int64_t{2}},
                               {"HDDriveLetter", std::string("e")},
                           }));

  // Written back at their defaults, the keys go.
  model->SetMemoryLoadColor(65535);
  model->SetEnabled(true);
  model->WriteProperties(bag);
  EXPECT_EQ(bag.Find("MemoryColor"), nullptr);
  EXPECT_EQ(bag.Find("Enabled"), nullptr);
}

TEST_F(Properties, LoadingTakesReadDefaultsForAbsentKeysAndStartsMonitoring) {
  Load(StatusPageState());
  const CpuMonitorModel& m = *model;
  EXPECT_EQ(m.BackColor(), kDarkGrey);
  EXPECT_EQ(m.Appearance(), 0);
  EXPECT_EQ(m.BorderStyle(), 1);
  EXPECT_EQ(m.DisplayGridColor(), kLightOrange);
  EXPECT_EQ(m.HDDriveLetter(), "C:\\");
  EXPECT_EQ(m.CPUMonitorColor(), 65280u);
  EXPECT_EQ(m.MemoryLoadColor(), 65535u);
  EXPECT_EQ(m.UpdateInterval(), 1000);
  EXPECT_TRUE(m.Enabled() && m.DisplayGrid() && m.ScrollGrid() && m.HDMonitorDisplayed());
  EXPECT_EQ(m.ScaleWidth(), 415);
  EXPECT_EQ(m.ScaleHeight(), 55);

  EXPECT_EQ(host.interval, 1000);
  EXPECT_TRUE(host.timerEnabled);
  EXPECT_EQ(m.LevelHistory().size(), 418u) << "slots 0 to the outer width";
  EXPECT_EQ(m.FirstSampleIndex(), 414) << "no sample yet, with the flat border in place";
  EXPECT_TRUE(host.changes.empty()) << "loading reports nothing";

  PropertyBag saved;
  m.WriteProperties(saved);
  EXPECT_EQ(saved.Entries(), StatusPageState().Entries());
}

TEST_F(Properties, AnAbsentDriveReadsAsEmptyAndGivesZeros) {
  Load(PropertyBag{{"BackColor", std::int64_t{kDarkGrey}}});
  EXPECT_EQ(model->HDDriveLetter(), "");
  Tick();
  EXPECT_EQ(host.updates.back().sample.HDTotalBytes, 0);
  EXPECT_EQ(host.updates.back().sample.HDAvailablePercent, 0);
  EXPECT_EQ(fake.diskSpace->paths.back(), "");
}

TEST_F(Properties, UnreadableSavedValuesLeaveTheFieldAsItWas) {
  Load(PropertyBag{{"UpdateInterval", std::string("fast")},
                   {"CPUMonitorColor", std::string("green")},
                   {"Appearance", std::int64_t{7}},
                   {"BorderStyle", std::int64_t{1} << 20},
                   {"DiagramStyle", std::string(" 2 ")},
                   {"ScrollGrid", std::int64_t{0}},
                   {"DisplayGrid", std::string("False")},
                   {"HDDriveLetter", std::string("d:\\data")}});
  EXPECT_EQ(model->UpdateInterval(), 1000);
  EXPECT_EQ(model->CPUMonitorColor(), 65280u);
  EXPECT_EQ(model->Appearance(), 1) << "the surface refuses 7";
  EXPECT_EQ(model->BorderStyle(), 1);
  EXPECT_EQ(model->DiagramStyle(), 2);
  EXPECT_FALSE(model->ScrollGrid());
  EXPECT_FALSE(model->DisplayGrid());
  EXPECT_EQ(model->HDDriveLetter(), "d:\\data") << "not normalised when loaded";
}

TEST_F(Properties, DriveLetterIsNormalisedWhenSet) {
  Load();
  const struct {
    const char* value;
    const char* stored;
  } cases[] = {
      {"d", "d"}, {"dd", "D:\\"}, {"d:\\data", "D:\\"}, {"", "D:\\"}, {"C:", "C:\\"}, {"/", "/"}, {"/home", "/:\\"},
  };
  for (const auto& c : cases) {
    host.changes.clear();
    const int presents = host.presents;
    model->SetHDDriveLetter(c.value);
    EXPECT_EQ(model->HDDriveLetter(), c.stored) << c.value;
    EXPECT_EQ(host.changes, std::vector<std::string>(*c.value ? 1 : 0, "HDDriveLetter")) << c.value;
    EXPECT_EQ(host.presents, presents) << "no redraw for " << c.value;
  }
}

TEST_F(Properties, SettersRedrawAndReportUnderTheirKeys) {
  Load();
  const struct {
    const char* key;
    std::function<void(CpuMonitorModel&)> set;
    bool redraws;
  } cases[] = {
      {"BackColor", [](auto& m) { m.SetBackColor(1); }, true},
      {"CPUMonitorDisplayed", [](auto& m) { m.SetCPUMonitorDisplayed(false); }, true},
      {"MemoryColor", [](auto& m) { m.SetMemoryLoadColor(2); }, true},
      {"DisplayGridColor", [](auto& m) { m.SetDisplayGridColor(3); }, true},
      {"Enabled", [](auto& m) { m.SetEnabled(true); }, true},
      {"BorderStyle", [](auto& m) { m.SetBorderStyle(0); }, true},
      {"HDMonitorColor", [](auto& m) { m.SetHDMonitorColor(4); }, false},
      {"UpdateInterval", [](auto& m) { m.SetUpdateInterval(250); }, false},
  };
  for (const auto& c : cases) {
    host.changes.clear();
    const int presents = host.presents;
    c.set(*model);
    EXPECT_EQ(host.changes, std::vector<std::string>{c.key});
    EXPECT_EQ(host.presents > presents, c.redraws) << c.key;
  }
  EXPECT_EQ(host.interval, 250);
  EXPECT_EQ(model->ScaleWidth(), 417) << "no border";
}

TEST_F(Properties, RefusedValuesFailWithoutAReport) {
  Load();
  EXPECT_FALSE(model->SetAppearance(2));
  EXPECT_FALSE(model->SetBorderStyle(-1));
  EXPECT_EQ(model->Appearance(), 0);
  EXPECT_EQ(model->BorderStyle(), 1);
  EXPECT_FALSE(model->SetUpdateInterval(-5));
  EXPECT_EQ(model->UpdateInterval(), -5) << "stored all the same";
  EXPECT_EQ(host.interval, 1000) << "the timer kept its own";
  EXPECT_TRUE(host.changes.empty());
}

TEST(PropertyHelp, MembersWithHelp) {
  EXPECT_EQ(CpuMonitorModel::HelpString("MemoryLoadColor"),
            "Return/Set the color to use to display the level of Available Memory ");
  EXPECT_EQ(CpuMonitorModel::HelpString("Refresh"), "Forces a complete repaint of a object.");
  EXPECT_EQ(CpuMonitorModel::HelpString("HDDriveLetter"), "");
}

using Sampling = MonitorTest;

TEST_F(Sampling, EachTickShiftsTheHistoryAndRaisesUpdate) {
  Load();
  Tick(0.25);
  const auto& h = model->LevelHistory();
  EXPECT_EQ(model->FirstSampleIndex(), 413);
  EXPECT_EQ(model->GridOffset(), -1);
  EXPECT_EQ(h[414].CPULoadPercent, 76);
  EXPECT_EQ(h[414].MemoryLoadPercent, 50);
  EXPECT_EQ(h[414].HDAvailablePercent, 25);
  EXPECT_EQ(h[413], SystemLevels{});

  SetMemoryLoad(70);
  Tick(1.0);
  EXPECT_EQ(model->FirstSampleIndex(), 412);
  EXPECT_EQ(h[413].MemoryLoadPercent, 50);
  EXPECT_EQ(h[414].MemoryLoadPercent, 70);
  EXPECT_EQ(h[414].CPULoadPercent, 0);

  ASSERT_EQ(host.updates.size(), 2u);
  const SystemLevelsReport& u = host.updates.back();
  EXPECT_EQ(u.CPULoadPercent, 0);
  EXPECT_EQ(u.MemoryLoadPercent, 70);
  EXPECT_EQ(u.sample.PhysicalMemoryTotal, 1000);
  EXPECT_EQ(u.sample.PhysicalMemoryAvailablePercent, 50);
  EXPECT_EQ(u.sample.PageFileAvailablePercent, 25);
  EXPECT_EQ(u.sample.VirtualMemoryAvailablePercent, 25);
  EXPECT_EQ(u.sample.HDTotalBytes, 1000);
  EXPECT_EQ(u.sample.HDTotalFreeBytes, 300);
  EXPECT_EQ(u.sample.HDAvailableFreeBytes, 250);
  EXPECT_EQ(u.sample.HDTotalBytesUsed, 750);
}

TEST_F(Sampling, FirstSampleIndexStopsAtZero) {
  Load(StatusPageState(), 12, 10);  // 10 inner columns
  for (int i = 0; i < 12; ++i) Tick();
  EXPECT_EQ(model->FirstSampleIndex(), 0);
  EXPECT_EQ(model->LevelHistory()[0].MemoryLoadPercent, 50) << "slot 0 holds a sample too";
}

TEST_F(Sampling, AFailingReadingKeepsThePreviousSampleOfItsFields) {
  Load();
  Tick();
  fake.systemMemory->status.reset();
  fake.cpuTimes->times.reset();
  fake.diskSpace->drives.clear();
  model->Timer1Tick();
  const SystemLevels& newest = model->LevelHistory()[414];
  EXPECT_EQ(newest.MemoryLoadPercent, 50) << "the previous sample's";
  EXPECT_EQ(newest.PhysicalMemoryTotal, 1000);
  EXPECT_EQ(newest.CPULoadPercent, -1);
  EXPECT_EQ(newest.HDTotalBytes, 0);
  EXPECT_EQ(host.updates.back().CPULoadPercent, -1);
}

TEST_F(Sampling, DisabledControlStandsStill) {
  Load();
  Tick();
  model->SetEnabled(false);
  const auto history = model->LevelHistory();
  const int presents = host.presents;
  Tick();
  EXPECT_EQ(model->LevelHistory(), history);
  EXPECT_EQ(model->GridOffset(), -1);
  EXPECT_EQ(host.updates.size(), 1u);
  EXPECT_EQ(host.presents, presents);

  model->Resize(417, 57);
  EXPECT_GT(host.presents, presents) << "a resize still redraws";
  model->SetEnabled(true);
  Tick();
  EXPECT_EQ(host.updates.size(), 2u);
}

TEST_F(Sampling, WithoutCurvesTheTicksStillSample) {
  Load(PropertyBag{{"CPUMonitorDisplayed", false},
                   {"MemoryLoadDisplayed", false},
                   {"PageFileDisplayed", false},
                   {"VirtualMemoryDisplayed", false},
                   {"HDMonitorDisplayed", false}});
  Tick();
  Tick();
  EXPECT_EQ(host.updates.size(), 2u);
  EXPECT_EQ(model->LevelHistory()[model->Last() - 1].MemoryLoadPercent, 50);
}

TEST_F(Sampling, GetCurrentSystemLevelsTakesAnExtraSampleQuietly) {
  Load();
  Tick();
  const int presents = host.presents;
  auto& t = *fake.cpuTimes->times;
  t.systemTime += kSecond / 2;
  t.idleTime += kSecond / 2;  // idle since the tick
  SetMemoryLoad(61);
  const SystemLevelsReport r = model->GetCurrentSystemLevels();
  EXPECT_EQ(r.CPULoadPercent, 0);
  EXPECT_EQ(r.MemoryLoadPercent, 61);
  EXPECT_EQ(model->LevelHistory()[414].MemoryLoadPercent, 61);
  EXPECT_EQ(model->LevelHistory()[413].MemoryLoadPercent, 50);
  EXPECT_EQ(model->FirstSampleIndex(), 412);
  EXPECT_EQ(model->GridOffset(), -1);
  EXPECT_EQ(host.presents, presents);
  EXPECT_EQ(host.updates.size(), 1u);

  // The next tick's load covers only the half second since the call, busy.
  t.systemTime += kSecond / 2;
  model->Timer1Tick();
  EXPECT_EQ(host.updates.back().CPULoadPercent, 100);
}

TEST_F(Sampling, TheCpuBaselineIsSharedByEveryControl) {
  Load();
  FakeHost otherHost;
  CpuMonitorModel other(MonitorPlatform::From(fake.platform), otherHost, true);
  other.Resize(60, 20);
  other.ReadProperties(PropertyBag{});

  auto& t = *fake.cpuTimes->times;
  t.systemTime += kSecond;
  t.idleTime += kSecond;  // a fully idle second...
  other.Timer1Tick();     // ...measured by the other control
  EXPECT_EQ(otherHost.updates.back().CPULoadPercent, 0);
  t.systemTime += kSecond / 10;
  model->Timer1Tick();  // this one measures only the busy tenth since then
  EXPECT_EQ(host.updates.back().CPULoadPercent, 100);
}

TEST_F(Sampling, TheDriveChangesFromTheNextSample) {
  Load();
  fake.diskSpace->drives["D:\\"] = platform::DiskSpace{400, 100, 100};
  model->SetHDDriveLetter("d:");
  Tick();
  EXPECT_EQ(host.updates.back().sample.HDTotalBytes, 400);
  EXPECT_EQ(host.updates.back().sample.HDAvailablePercent, 25);
  model->SetHDDriveLetter("d");
  Tick();
  EXPECT_EQ(fake.diskSpace->paths.back(), "d");
  EXPECT_EQ(host.updates.back().sample.HDTotalBytes, 0) << "a lone letter is no root";
}

TEST_F(Sampling, ResizeKeepsTheNewestSamplesAtTheRightEdge) {
  Load();
  for (std::uint32_t load : {10u, 20u, 30u}) {
    SetMemoryLoad(load);
    Tick();
  }
  ASSERT_EQ(model->FirstSampleIndex(), 411);

  model->Resize(617, 57);  // wider than the history
  const auto& h = model->LevelHistory();
  ASSERT_EQ(model->Last(), 614);
  ASSERT_GE(h.size(), 615u);
  EXPECT_EQ(h[614].MemoryLoadPercent, 30);
  EXPECT_EQ(h[613].MemoryLoadPercent, 20);
  EXPECT_EQ(h[612].MemoryLoadPercent, 10);
  EXPECT_EQ(model->FirstSampleIndex(), 611);
  SetMemoryLoad(40);
  Tick();
  EXPECT_EQ(h[614].MemoryLoadPercent, 40);
  EXPECT_EQ(h[611].MemoryLoadPercent, 10);

  model->Resize(12, 57);  // narrower than the samples taken
  EXPECT_EQ(model->Last(), 9);
  EXPECT_EQ(h[9].MemoryLoadPercent, 40);
  EXPECT_EQ(h[6].MemoryLoadPercent, 10);
  EXPECT_EQ(model->FirstSampleIndex(), 5);
  model->Resize(3, 57);
  EXPECT_EQ(model->FirstSampleIndex(), 0);
  EXPECT_EQ(h[0].MemoryLoadPercent, 40);
  Tick();  // a one-column diagram samples on
  model->Resize(0, 0);
  Tick();
}

TEST_F(Sampling, ResetReturnsOnlyTheGrid) {
  Load();
  Tick();
  Tick();
  const auto history = model->LevelHistory();
  model->Reset();
  EXPECT_EQ(model->GridOffset(), 0);
  EXPECT_EQ(model->LevelHistory(), history);
}

TEST_F(Sampling, TimerIntervalFollowsTheProperty) {
  Load(PropertyBag{{"UpdateInterval", std::int64_t{250}}});
  EXPECT_EQ(host.interval, 250);
  model->SetUpdateInterval(0);
  EXPECT_EQ(host.interval, 0);

  FakeHost designHost;
  CpuMonitorModel design(MonitorPlatform::From(fake.platform), designHost, false);
  design.ReadProperties(PropertyBag{});
  design.SetUpdateInterval(300);
  EXPECT_EQ(designHost.interval, -1) << "no timer in design mode";
  EXPECT_FALSE(designHost.timerEnabled);
}

}  // namespace
}  // namespace tarvelo::monitor
