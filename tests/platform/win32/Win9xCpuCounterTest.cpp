#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "monitor/ModuleCpuMonitorSupport.h"
#include "platform/win32/Win9xCpuCounter.h"

namespace platform::win32_impl {
namespace {

// HKEY_DYN_DATA of a 9x system, as far as the counter uses it: keys that can
// be opened, the value each holds, and a log of the calls. Wine, like every
// NT system, has no such keys.
class FakeDynData final : public DynDataRegistry {
 public:
  struct State {
    std::set<std::string> keys{"PerfStats\\StartStat", "PerfStats\\StatData", "PerfStats\\StopStat"};
    std::map<std::string, std::uint32_t> values;  // by key
    std::set<std::string> failingReads;           // keys whose value cannot be read
    std::map<Key, std::string> open;              // open handles
    std::vector<std::string> log;
    Key next = 1;
  };
  explicit FakeDynData(State& state) : s_(state) {}

  Key Open(std::string_view subKey, Access access) override {
    const std::string name(subKey);
    s_.log.push_back("open " + name + (access == Access::All ? " all" : " read"));
    if (s_.keys.count(name) == 0) return 0;
    s_.open[s_.next] = name;
    return s_.next++;
  }
  std::optional<std::uint32_t> QueryValue(Key key, std::string_view valueName) override {
    const auto it = s_.open.find(key);
    EXPECT_NE(it, s_.open.end()) << "read through a closed key";
    if (it == s_.open.end()) return std::nullopt;
    EXPECT_EQ(valueName, "KERNEL\\CPUUsage");
    s_.log.push_back("read " + it->second);
    if (s_.failingReads.count(it->second) != 0) return std::nullopt;
    return s_.values[it->second];
  }
  void Close(Key key) override {
    const auto it = s_.open.find(key);
    ASSERT_NE(it, s_.open.end()) << "closed twice";
    s_.log.push_back("close " + it->second);
    s_.open.erase(it);
  }

 private:
  State& s_;
};

using Log = std::vector<std::string>;

TEST(Win9xCpuCounter, StartReadStopWorkTheStatisticsKeysInOrder) {
  FakeDynData::State state;
  state.values["PerfStats\\StatData"] = 0x1234;  // the load is the low byte
  {
    Win9xCpuCounter counter(std::make_unique<FakeDynData>(state));
    tarvelo::monitor::MonitorPlatform monitor;
    monitor.legacyCpuCounter = &counter;
    std::vector<std::string> messages;
    monitor.showMessage = [&](std::string_view m) { messages.emplace_back(m); };
    EXPECT_FALSE(tarvelo::monitor::ModuleCpuMonitorSupport::IsWindowsNT(monitor));

    tarvelo::monitor::ModuleCpuMonitorSupport::InitCpuCounter(false, monitor);
    EXPECT_EQ(state.log, (Log{"open PerfStats\\StartStat all", "read PerfStats\\StartStat",
                              "close PerfStats\\StartStat", "open PerfStats\\StatData read"}));
    EXPECT_EQ(state.open.size(), 1u) << "StatData stays open";

    EXPECT_EQ(tarvelo::monitor::ModuleCpuMonitorSupport::GetCpuUsage(false, monitor), 0x34);
    state.values["PerfStats\\StatData"] = 100;
    EXPECT_EQ(tarvelo::monitor::ModuleCpuMonitorSupport::GetCpuUsage(false, monitor), 100);
    EXPECT_TRUE(messages.empty());

    state.log.clear();
    tarvelo::monitor::ModuleCpuMonitorSupport::StopCpuCounter(false, monitor);
    EXPECT_EQ(state.log, (Log{"close PerfStats\\StatData", "open PerfStats\\StopStat all", "read PerfStats\\StopStat",
                              "close PerfStats\\StopStat"}));
    EXPECT_TRUE(state.open.empty());
    EXPECT_EQ(counter.Read(), std::nullopt) << "stopped";
  }
  EXPECT_TRUE(state.open.empty());
}

TEST(Win9xCpuCounter, AFailedReadingSaysSoAndGivesMinusOne) {
  FakeDynData::State state;
  state.failingReads.insert("PerfStats\\StatData");
  Win9xCpuCounter counter(std::make_unique<FakeDynData>(state));
  tarvelo::monitor::MonitorPlatform monitor;
  monitor.legacyCpuCounter = &counter;
  std::vector<std::string> messages;
  monitor.showMessage = [&](std::string_view m) { messages.emplace_back(m); };
  tarvelo::monitor::ModuleCpuMonitorSupport::InitCpuCounter(false, monitor);
  EXPECT_EQ(tarvelo::monitor::ModuleCpuMonitorSupport::GetCpuUsage(false, monitor), -1);
  EXPECT_EQ(tarvelo::monitor::ModuleCpuMonitorSupport::GetCpuUsage(false, monitor), -1);
  EXPECT_EQ(messages, (Log{"Unable to Query Registry!", "Unable to Query Registry!"})) << "once per reading";
}

TEST(Win9xCpuCounter, WithoutStartStatNothingIsOpenedAndEveryReadingFails) {
  FakeDynData::State state;
  state.keys.erase("PerfStats\\StartStat");
  Win9xCpuCounter counter(std::make_unique<FakeDynData>(state));
  counter.Start();
  EXPECT_EQ(state.log, Log{"open PerfStats\\StartStat all"});
  EXPECT_TRUE(state.open.empty());
  EXPECT_EQ(counter.Read(), std::nullopt);
  counter.Stop();
  EXPECT_TRUE(state.open.empty());
}

TEST(Win9xCpuCounter, EveryKeyIsClosedWhateverHappens) {
  FakeDynData::State state;
  {
    Win9xCpuCounter counter(std::make_unique<FakeDynData>(state));
    counter.Start();
    counter.Start();  // a second monitor starting the shared counter
    EXPECT_EQ(state.open.size(), 1u);
    EXPECT_EQ(counter.Read(), 0u);
  }  // never stopped
  EXPECT_TRUE(state.open.empty());
}

}  // namespace
}  // namespace platform::win32_impl
