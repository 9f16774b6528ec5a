// The diagram, pixel by pixel, on the Status page's 415 x 55 inner surface.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>

#include "monitor/CpuMonitorModel.h"
#include "monitor/MonitorFixture.h"

namespace tarvelo::monitor {
namespace {

using testing::kDarkGrey;
using testing::kLightOrange;
using testing::StatusPageState;

constexpr Color kYellow = 65535;
constexpr Color kGreen = 65280;
constexpr int kW = 415;
constexpr int kH = 55;

class Diagram : public testing::MonitorTest {
 protected:
  // The Status page's control with only the memory curve (and the grid when asked).
  void LoadMemoryCurve(int style, bool grid = false) {
    PropertyBag bag = StatusPageState();
    bag.Set("CPUMonitorDisplayed", false);
    bag.Set("PageFileDisplayed", false);
    bag.Set("VirtualMemoryDisplayed", false);
    bag.Set("HDMonitorDisplayed", false);
    bag.Set("DisplayGrid", grid);
    bag.Set("DiagramStyle", std::int64_t{style});
    Load(bag);
  }
  // Status page state without curves.
  void LoadGridOnly(PropertyBag bag = StatusPageState()) {
    for (const char* key : {"CPUMonitorDisplayed", "MemoryLoadDisplayed", "PageFileDisplayed",
                            "VirtualMemoryDisplayed", "HDMonitorDisplayed"}) {
      bag.Set(key, false);
    }
    Load(bag);
  }

  // The pixels of one colour, as (x, y) pairs.
  std::set<std::pair<int, int>> PixelsOf(Color color) const {
    std::set<std::pair<int, int>> found;
    const auto& s = model->Surface();
    for (int y = 0; y < s.Height(); ++y)
      for (int x = 0; x < s.Width(); ++x)
        if (s.Pixel(x, y) == color) found.emplace(x, y);
    return found;
  }
  // The x of the vertical grid lines, read on row 1 (no horizontal line there).
  std::vector<int> VerticalLines() const {
    std::vector<int> xs;
    for (int x = 0; x < model->ScaleWidth(); ++x)
      if (model->Surface().Pixel(x, 1) == kLightOrange) xs.push_back(x);
    return xs;
  }
  // The frame at both edges and lines every 38 pixels from first.
  static std::vector<int> LinesFrom(int first) {
    std::vector<int> xs{0};
    if (first == 0) first = 38;
    for (int x = first; x < kW - 1; x += 38) xs.push_back(x);
    xs.push_back(kW - 1);
    return xs;
  }
};

std::set<std::pair<int, int>> Column(int x, int fromY, int toY) {
  std::set<std::pair<int, int>> pixels;
  for (int y = fromY; y <= toY; ++y) pixels.emplace(x, y);
  return pixels;
}

TEST_F(Diagram, GridOfTheStatusPage) {
  LoadGridOnly();
  ASSERT_EQ(model->ScaleWidth(), kW);
  ASSERT_EQ(model->ScaleHeight(), kH);
  // Vertical lines every 38 pixels, horizontal ones every 9, a frame round it.
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const bool grid = (x % 38 == 0) || y % 9 == 0 || x == kW - 1;
      ASSERT_EQ(model->Surface().Pixel(x, y), grid ? kLightOrange : kDarkGrey) << x << "," << y;
    }
  }
}

TEST_F(Diagram, VerticalLinesScrollAndStartAgainAfterOneWidth) {
  LoadGridOnly();
  Tick();
  EXPECT_EQ(VerticalLines(), LinesFrom(37));
  for (int tick = 2; tick < kW - 1; ++tick) Tick();
  EXPECT_EQ(model->GridOffset(), -413);
  Tick();  // the 414th: drawn at -414, then back to 0
  EXPECT_EQ(model->GridOffset(), 0);
  EXPECT_EQ(VerticalLines(), LinesFrom(4));  // -414 + 11 * 38 = 4
  Tick();
  EXPECT_EQ(model->GridOffset(), -1);
  EXPECT_EQ(VerticalLines()[1], 37);
}

TEST_F(Diagram, StandingGridStillCountsTheTicks) {
  PropertyBag bag = StatusPageState();
  bag.Set("ScrollGrid", false);
  LoadGridOnly(bag);
  for (int tick = 0; tick < 5; ++tick) Tick();
  EXPECT_EQ(model->GridOffset(), -5);
  EXPECT_EQ(VerticalLines(), LinesFrom(0));
}

TEST_F(Diagram, HiddenGridKeepsTheOffsetRunningUntilShown) {
  PropertyBag bag = StatusPageState();
  bag.Set("DisplayGrid", false);
  LoadGridOnly(bag);
  for (int tick = 0; tick < 500; ++tick) Tick();
  EXPECT_EQ(model->GridOffset(), -500) << "no wrap while hidden";
  EXPECT_TRUE(PixelsOf(kLightOrange).empty());
  model->SetDisplayGrid(true);
  EXPECT_EQ(VerticalLines(), LinesFrom(32));  // -500 + 14 * 38 = 32
  EXPECT_EQ(model->GridOffset(), 0);
}

TEST_F(Diagram, SecondTickInEachStyle) {
  // The older sample at 50 % (55 - 27.5 = 27.5, to the even 28), the newer at 0.
  const struct {
    int style;
    std::set<std::pair<int, int>> pixels;
  } cases[] = {
      {kStyleLines, [] {
         auto p = Column(413, 28, 41);  // a line from (413, 28) to (414, 55), end excluded
         p.merge(Column(414, 42, 54));
         return p;
       }()},
      {kStylePoints, {{414, 28}}},         // the older sample, one column right
      {kStyleBars, Column(413, 28, 54)},  // under the older sample
  };
  for (const auto& c : cases) {
    LoadMemoryCurve(c.style);
    SetMemoryLoad(50);
    Tick();
    EXPECT_TRUE(PixelsOf(kYellow).empty()) << "one sample draws nothing, style " << c.style;
    SetMemoryLoad(0);
    Tick();
    EXPECT_EQ(PixelsOf(kYellow), c.pixels) << "style " << c.style;
  }
}

TEST_F(Diagram, AnUnseenPictureIsDrawnWhenAskedForAsIfDrawnAllAlong) {
  LoadMemoryCurve(kStyleLines, true);
  host.shown = false;
  const int presents = host.presents;
  SetMemoryLoad(50);
  Tick();
  SetMemoryLoad(0);
  Tick();
  model->SetBackColor(kDarkGrey);  // a property redraw waits as well
  EXPECT_EQ(host.presents, presents) << "nothing drawn while unseen";
  EXPECT_TRUE(model->RedrawPending());
  EXPECT_EQ(host.updates.size(), 2u) << "sampling and its event go on";
  EXPECT_EQ(model->GridOffset(), -2);

  host.shown = true;
  auto line = Column(413, 28, 41);  // the picture of SecondTickInEachStyle
  line.merge(Column(414, 42, 54));
  EXPECT_EQ(PixelsOf(kYellow), line);
  EXPECT_EQ(VerticalLines(), LinesFrom(36));  // the grid scrolled by the two ticks
  EXPECT_FALSE(model->RedrawPending());
}

TEST_F(Diagram, ValuesAtAndBeyondTheEdges) {
  const struct {
    const char* what;
    int style;
    std::uint32_t load;
    std::set<std::pair<int, int>> pixels;
  } cases[] = {
      {"0 lies just below the bottom row", kStyleLines, 0, {}},
      {"0 as bars", kStyleBars, 0, {}},
      {"100 on the top row", kStyleLines, 100, {{411, 0}, {412, 0}, {413, 0}}},
      {"100 as points", kStylePoints, 100, {{412, 0}, {413, 0}, {414, 0}}},
      {"above 100 is clipped", kStyleLines, 150, {}},
      {"above 100 as bars fills the columns", kStyleBars, 150,
       [] {
         auto p = Column(411, 0, kH - 1);
         p.merge(Column(412, 0, kH - 1));
         p.merge(Column(413, 0, kH - 1));
         return p;
       }()},
  };
  for (const auto& c : cases) {
    LoadMemoryCurve(c.style);
    SetMemoryLoad(c.load);
    for (int tick = 0; tick < 4; ++tick) Tick();
    EXPECT_EQ(PixelsOf(kYellow), c.pixels) << c.what;
  }
}

TEST_F(Diagram, FailedCpuReadingRunsOffTheBottom) {
  PropertyBag bag = StatusPageState();
  for (const char* key : {"MemoryLoadDisplayed", "PageFileDisplayed", "VirtualMemoryDisplayed", "HDMonitorDisplayed"})
    bag.Set(key, false);
  bag.Set("DisplayGrid", false);
  Load(bag);
  Tick(0.0);  // 100 %
  fake.cpuTimes->times.reset();
  model->Timer1Tick();  // -1: row 55.55, to the even 56
  const auto pixels = PixelsOf(kGreen);
  EXPECT_TRUE(pixels.count({413, 0}));
  EXPECT_TRUE(pixels.count({414, kH - 1})) << "the segment leaves through the bottom edge";
  for (const auto& [x, y] : pixels) EXPECT_TRUE(x == 413 || x == 414);

  // Its point and bar are not seen.
  for (int style : {kStylePoints, kStyleBars}) {
    model->SetDiagramStyle(style);
    fake.cpuTimes->times = platform::CpuTimes{0, 0, 1};
    model->GetCurrentSystemLevels();  // 100 %
    fake.cpuTimes->times.reset();
    model->GetCurrentSystemLevels();  // -1
    model->RedrawDiagram();
    EXPECT_FALSE(PixelsOf(kGreen).count({414, kH - 1}));
  }
}

TEST_F(Diagram, WildReadingsAreClippedQuickly) {
  PropertyBag bag = StatusPageState();
  bag.Set("DisplayGrid", false);
  Load(bag);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; ++i) {
    // Idle time jumping far ahead of a clock that hardly moved, then back.
    auto& t = *fake.cpuTimes->times;
    t.systemTime += 1;
    t.idleTime += (i % 2 == 0 ? 1 : -1) * (std::int64_t{1} << 50);
    model->Timer1Tick();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "no line traced to infinity";
  EXPECT_FALSE(PixelsOf(kGreen).empty());
}

TEST_F(Diagram, DesignModeDrawsBackgroundAndGridOnly) {
  PropertyBag bag = StatusPageState();
  bag.Set("DiagramStyle", std::int64_t{kStyleBars});
  model = std::make_unique<CpuMonitorModel>(MonitorPlatform::From(fake.platform), host, false);
  model->Resize(417, 57);
  model->ReadProperties(bag);
  SetMemoryLoad(100);
  model->Timer1Tick();
  EXPECT_EQ(model->GridOffset(), 0) << "no ticks in design mode";
  EXPECT_TRUE(host.updates.empty());
  model->GetCurrentSystemLevels();
  model->GetCurrentSystemLevels();
  model->RedrawDiagram();
  std::size_t painted = 0;
  for (Color c : model->Surface().Pixels()) {
    ASSERT_TRUE(c == kDarkGrey || c == kLightOrange);
    painted += c == kLightOrange;
  }
  EXPECT_GT(painted, 0u);
}

TEST_F(Diagram, StepOfZeroDrawsNoLinesInThatDirection) {
  LoadGridOnly();
  model->Resize(8, 6);  // inner 6 x 4: both steps round to 0
  ASSERT_EQ(model->ScaleWidth(), 6);
  EXPECT_EQ(model->Surface().Pixel(2, 2), kDarkGrey);
  EXPECT_EQ(model->Surface().Pixel(0, 2), kLightOrange) << "the frame";
  Tick();
}

}  // namespace
}  // namespace tarvelo::monitor

namespace tarvelo::monitor {
namespace {

class DeviceDiagram : public Diagram {
 protected:
  // The diagram drawn at `scale` for a screen's device pixels.
  raster::PixelSurface At(double scale) const {
    raster::PixelSurface device;
    device.Resize(static_cast<int>(std::lround(kW * scale)), static_cast<int>(std::lround(kH * scale)));
    model->DrawDiagramAt(device, scale);
    return device;
  }
};

TEST_F(DeviceDiagram, GridIsTheRecipeAtTheDeviceSize) {
  for (const double scale : {2.0, 1.5}) {
    LoadGridOnly();
    const raster::PixelSurface device = At(scale);
    // The same control with an inner size of the device's.
    PropertyBag bag = StatusPageState();
    for (const char* key : {"CPUMonitorDisplayed", "MemoryLoadDisplayed", "PageFileDisplayed",
                            "VirtualMemoryDisplayed", "HDMonitorDisplayed"}) {
      bag.Set(key, false);
    }
    Load(bag, device.Width() + 2, device.Height() + 2);
    ASSERT_EQ(model->ScaleWidth(), device.Width());
    EXPECT_TRUE(model->Surface().Pixels() == device.Pixels()) << scale;

    // Every vertical line one device pixel wide, all equally far apart.
    std::vector<int> xs;
    for (int x = 0; x < device.Width(); ++x)
      if (device.Pixel(x, 1) == kLightOrange) xs.push_back(x);
    ASSERT_GE(xs.size(), 4u);
    for (std::size_t i = 2; i + 1 < xs.size(); ++i) EXPECT_EQ(xs[i] - xs[i - 1], xs[1] - xs[0]) << scale << " " << i;
  }
}

TEST_F(DeviceDiagram, CurvesSpanScaleColumnsPerSampleOnTheDeviceRows) {
  LoadMemoryCurve(kStyleLines);
  SetMemoryLoad(50);
  for (int tick = 0; tick < 5; ++tick) Tick();
  const std::size_t once = PixelsOf(kDefaultMemoryLoadColor).size();
  ASSERT_GT(once, 1u);
  const raster::PixelSurface twice = At(2);
  std::set<int> rows;
  std::size_t count = 0;
  for (int y = 0; y < twice.Height(); ++y)
    for (int x = 0; x < twice.Width(); ++x)
      if (twice.Pixel(x, y) == kDefaultMemoryLoadColor) {
        rows.insert(y);
        ++count;
      }
  EXPECT_EQ(rows, std::set<int>{kH}) << "50 % of twice the height";
  EXPECT_EQ(count, 2 * once) << "each segment ends before its last pixel";
}

}  // namespace
}  // namespace tarvelo::monitor
