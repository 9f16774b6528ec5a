#pragma once

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CompositorTestSupport.h"
#include "platform/linux/SdBusHandles.h"
#include "support/MissingInCi.h"
#include "support/PrivateBus.h"

namespace tarvelo::testing {

// A connection to a test's bus served on a thread of its own: a stand-in of
// a desktop service. Work on the connection is handed to that thread (sd-bus
// connections belong to one thread) and waited for.
class BusStandIn {
 public:
  explicit BusStandIn(const std::string& address) : bus_(platform::linux_impl::OpenSessionBus(address)) {
    if (bus_) thread_ = std::thread([this] { Serve(); });
  }
  virtual ~BusStandIn() { Stop(); }
  BusStandIn(const BusStandIn&) = delete;
  BusStandIn& operator=(const BusStandIn&) = delete;

  bool Connected() const { return static_cast<bool>(bus_); }

  // Runs work on the connection's thread and waits until it has run.
  void Do(std::function<void(sd_bus*)> work) {
    if (!thread_.joinable()) return;
    std::unique_lock lock(mutex_);
    const unsigned long ticket = ++posted_;
    work_.push_back(std::move(work));
    done_.wait(lock, [&] { return finished_ >= ticket; });
  }

  // Ends the connection: its names go with it.
  void Stop() {
    if (!thread_.joinable()) return;
    stop_ = true;
    thread_.join();
    slots_.clear();
    bus_.reset();
  }

 protected:
  // Keeps a slot (an object, a name's vtable) as long as the connection.
  void Keep(sd_bus_slot* slot) { slots_.emplace_back(slot); }

 private:
  void Serve() {
    while (!stop_) {
      while (sd_bus_process(bus_.get(), nullptr) > 0) {
      }
      std::vector<std::function<void(sd_bus*)>> work;
      {
        std::lock_guard lock(mutex_);
        work.swap(work_);
      }
      for (auto& w : work) {
        w(bus_.get());
        std::lock_guard lock(mutex_);
        ++finished_;
      }
      done_.notify_all();
      sd_bus_wait(bus_.get(), 20'000);
    }
  }

  platform::linux_impl::SdBusPtr bus_;
  std::vector<platform::linux_impl::SdBusSlotPtr> slots_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<std::function<void(sd_bus*)>> work_;
  unsigned long posted_ = 0;
  unsigned long finished_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A test on a private bus of its own, where stand-ins of a desktop's services
// tell a ForegroundWindow which window is in front.
class PrivateBusForegroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bus.Started()) TARVELO_SKIP_OR_FAIL_IN_CI(bus.Error());
  }
  // The window in front once it has this title; 0 when it never comes.
  static platform::WindowHandle WaitForTitle(platform::ForegroundWindow& w, const std::string& title) {
    platform::WindowHandle h = 0;
    WaitFor([&] { return (h = w.Foreground()) != 0 && w.Title(h) == title; });
    return w.Title(h) == title ? h : 0;
  }
  PrivateBus bus;
};

}  // namespace tarvelo::testing
