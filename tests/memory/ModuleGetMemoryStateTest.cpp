#include "memory/ModuleGetMemoryState.h"

#include <gtest/gtest.h>

#include "platform/fake/FakePlatform.h"

namespace tarvelo {
namespace {

constexpr std::uint64_t kMB = 1048576;

TEST(MemoryFigures, MegabytesAndRoundedPercent) {
  const struct {
    const char* what;
    std::uint64_t total, avail;
    MemoryFigures expected;  // total, used, free MB, percent
  } cases[] = {
      {"1 GiB half free", 1073741824, 536870912, {1024, 512, 512, 50}},
      {"part of a MB free counts as nothing", 1073741824, 1048575, {1024, 1024, 0, 100}},
      {"largest 32-bit reading", 2147483647, 1048575, {2047, 2047, 0, 100}},
      {"12.5 goes to 12", 1000 * kMB, 875 * kMB, {1000, 125, 875, 12}},
      {"13.5 goes to 14", 1000 * kMB, 865 * kMB, {1000, 135, 865, 14}},
      {"a third", 3 * kMB, 2 * kMB, {3, 1, 2, 33}},
      {"two thirds", 3 * kMB, 1 * kMB, {3, 2, 1, 67}},
      {"each term truncated on its own", 10 * kMB + kMB / 2, 4 * kMB + kMB / 2, {10, 6, 4, 60}},
      {"64 GiB machine", 64 * 1024 * kMB, 16 * 1024 * kMB, {65536, 49152, 16384, 75}},
      {"total below 1 MB", kMB - 1, 1000, {0, 0, 0, 0}},
      {"no reading", 0, 0, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeMemoryFigures({c.total, c.avail}), c.expected) << c.what;
  }
}

TEST(MemoryFigures, LabelTexts) {
  EXPECT_EQ(MegabytesText(1024), "1024 MB");
  EXPECT_EQ(MegabytesText(65536), "65536 MB");
  EXPECT_EQ(MegabytesText(-3), "-3 MB");
  EXPECT_EQ(PercentText(50), "50%");
  EXPECT_EQ(PercentText(0), "0%");
}

TEST(ModuleGetMemoryState, ShowMemoryStateTakesAFreshReadingEachTime) {
  platform::fake::FakeMemoryStatus source;
  ModuleGetMemoryState module(source);
  EXPECT_EQ(module.Figures(), MemoryFigures{});  // all zero until the first tick

  source.status = {1000 * kMB, 875 * kMB};
  EXPECT_EQ(module.ShowMemoryState(), (MemoryFigures{1000, 125, 875, 12}));
  source.status = {1000 * kMB, 500 * kMB};
  EXPECT_EQ(module.ShowMemoryState(), (MemoryFigures{1000, 500, 500, 50}));
  EXPECT_EQ(source.reads, 2);
}

TEST(ModuleGetMemoryState, UsedMemoryComesFromItsOwnReadingAndLeavesTheFiguresAlone) {
  platform::fake::FakeMemoryStatus source;
  ModuleGetMemoryState module(source);
  source.status = {1024 * kMB, 512 * kMB};
  module.ShowMemoryState();

  source.status = {1024 * kMB, 256 * kMB};
  EXPECT_EQ(module.GetUsedMemoryMB(), 768);
  EXPECT_EQ(module.GetUsedMemoryMB(), 768);
  EXPECT_EQ(source.reads, 3);
  EXPECT_EQ(module.Figures(), (MemoryFigures{1024, 512, 512, 50}));
}

}  // namespace
}  // namespace tarvelo
