#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "monitor/CpuMonitorModel.h"
#include "platform/fake/FakePlatform.h"

namespace tarvelo::monitor::testing {

// Records what the control asks of its window.
class FakeHost final : public CpuMonitorHost {
 public:
  bool SetTimerInterval(int milliseconds) override {
    if (milliseconds < 0) return false;
    interval = milliseconds;
    return true;
  }
  void SetTimerEnabled(bool enabled) override { timerEnabled = enabled; }
  void RaisePropertyChanged(std::string_view name) override { changes.emplace_back(name); }
  void Present() override { ++presents; }
  void RaiseUpdate(const SystemLevelsReport& levels) override { updates.push_back(levels); }
  bool PictureShown() const override { return shown; }

  int interval = -1;  // never set
  bool timerEnabled = false;
  std::vector<std::string> changes;
  int presents = 0;
  std::vector<SystemLevelsReport> updates;
  bool shown = true;  // whether the window shows the picture
};

constexpr Color kDarkGrey = 4210752;
constexpr Color kLightOrange = 8438015;
constexpr std::int64_t kSecond = 10'000'000;  // in 100 ns units

// The saved state of the Status page's diagram.
inline PropertyBag StatusPageState() {
  return {{"BackColor", std::int64_t{kDarkGrey}},
          {"Appearance", std::int64_t{0}},
          {"DisplayGridColor", std::int64_t{kLightOrange}},
          {"HDDriveLetter", std::string("C:\\")}};
}

// A control on fake readings: one processor, memory and the C drive.
class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() {
    fake.cpuTimes->times = platform::CpuTimes{0, 0, 1};
    fake.systemMemory->status = platform::SystemMemoryStatus{50, 1000, 500, 2000, 1500, 4000, 3000};
    fake.diskSpace->drives["C:\\"] = platform::DiskSpace{1000, 300, 250};
  }

  // A control of outerWidth x outerHeight loaded from bag.
  CpuMonitorModel& Load(const PropertyBag& bag = StatusPageState(), int outerWidth = 417, int outerHeight = 57,
                        bool runMode = true) {
    model = std::make_unique<CpuMonitorModel>(MonitorPlatform::From(fake.platform), host, runMode);
    model->Resize(outerWidth, outerHeight);
    model->ReadProperties(bag);
    model->RedrawDiagram();
    return *model;
  }

  // One timer tick, a second after the previous one, with the CPU idle for
  // idleShare of it.
  void Tick(double idleShare = 0.5) {
    auto& t = *fake.cpuTimes->times;
    t.systemTime += kSecond;
    t.idleTime += static_cast<std::int64_t>(idleShare * kSecond);
    model->Timer1Tick();
  }

  // The memory load (the yellow curve) of the next samples.
  void SetMemoryLoad(std::uint32_t percent) { fake.systemMemory->status->memoryLoad = percent; }

  platform::fake::FakePlatform fake;
  FakeHost host;
  std::unique_ptr<CpuMonitorModel> model;
};

}  // namespace tarvelo::monitor::testing
