#pragma once

// The booster over a real compositor's window in front, as the sway, KWin and
// GNOME Shell tests drive it: wait for a client to come to the front, then one
// tick, with the nice value it gave read back.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "CompositorTestSupport.h"
#include "boost/ForegroundBooster.h"
#include "platform/linux/processes/LinuxProcessPriority.h"

namespace tarvelo::testing {

class RealCompositorBooster {
 public:
  // compositorLog: what the compositor printed, for a failure's message.
  RealCompositorBooster(platform::ForegroundWindow& windows, platform::linux_impl::LinuxProcessPriorities& priorities,
                        std::chrono::milliseconds limit, std::function<std::string()> compositorLog = {})
      : windows_(windows),
        mayRaise_(priorities.MayRaiseTo(platform::PriorityClass::High)),
        booster_(windows, priorities),
        limit_(limit),
        log_(std::move(compositorLog)) {}

  // Waits until the window in front is the client's, with its title (a
  // terminal sets it just after its window shows); returns that window.
  platform::WindowHandle WaitForFront(pid_t pid, const std::string& title) {
    platform::WindowHandle h = 0;
    const bool seen = WaitFor(
        [&] {
          h = windows_.Foreground();
          return h != 0 && windows_.OwnerProcess(h) == static_cast<platform::ProcessId>(pid) &&
                 windows_.Title(h) == title;
        },
        limit_);
    EXPECT_TRUE(seen) << "the focus did not come to " << title << "; in front: \"" << windows_.Title(h) << "\" of "
                      << windows_.OwnerProcess(h) << "\n"
                      << (log_ ? log_() : std::string());
    EXPECT_EQ(windows_.Title(h), title);
    return h;
  }

  // One tick of the booster; the nice value it gave is read back.
  void TickBoosts(pid_t raised, const std::string& title) {
    const auto boost = booster_.Tick(true, "High");
    // Without the right nothing is raised, and nothing is claimed.
    if (!mayRaise_) {
      EXPECT_FALSE(boost.has_value()) << title;
      return;
    }
    ASSERT_TRUE(boost.has_value()) << title;
    EXPECT_EQ(boost->title, title);
    EXPECT_EQ(NiceOf(raised), -10) << title;
  }

  ForegroundBooster& Booster() { return booster_; }

 private:
  platform::ForegroundWindow& windows_;
  const bool mayRaise_;  // without the right nothing is raised
  ForegroundBooster booster_;
  std::chrono::milliseconds limit_;
  std::function<std::string()> log_;
};

}  // namespace tarvelo::testing
