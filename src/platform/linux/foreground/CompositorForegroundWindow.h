#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <string_view>

#include "platform/ForegroundWindow.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// The window in front as a Wayland compositor reports it: the compositor's
// events arrive on a socket or the session bus and are taken in, without
// waiting, at every Foreground() call. Windows are known by the compositor's
// own id (a text); each gets a handle of its own, never given to another
// window while this object lives. The last few windows are remembered, so the
// booster can still find the process of the window that was in front before.
class CompositorForegroundWindow : public ForegroundWindow {
 public:
  WindowHandle Foreground() final;
  std::string Title(WindowHandle window) final;
  ProcessId OwnerProcess(WindowHandle window) final;
  std::string WhyUnseen() override { return problem_; }

 protected:
  // Takes in what the compositor said since the last call.
  virtual void Refresh() = 0;

  // The window with this id is in front, with this title and process; the
  // process id is kept only from a client on this machine (local).
  void SetFront(std::string_view id, std::int64_t pid, std::string_view title, bool local);
  // The title of a known window changed.
  void SetTitle(std::string_view id, std::string_view title);
  void SetNoFront() { front_ = 0; }
  // The window has closed: its handle no longer names a process.
  void Forget(std::string_view id);
  // The compositor went away: no window of it is known any longer.
  void ForgetAll();
  void SetProblem(std::string text) { problem_ = std::move(text); }

 private:
  struct Seen {
    WindowHandle handle = 0;
    std::string id;
    ProcessId pid = 0;
    std::string title;
  };
  Seen* Find(WindowHandle handle);
  Seen* Find(std::string_view id);

  std::deque<Seen> recent_;  // the newest first
  WindowHandle front_ = 0;
  WindowHandle lastHandle_ = 0;
  std::string problem_;
};

// A stream socket connected to a Unix socket path, or an invalid one.
UniqueFd ConnectUnixSocket(const std::string& path, bool nonBlocking);

// Throttles attempts to reach a compositor that is not there.
class RetryTimer {
 public:
  explicit RetryTimer(std::chrono::milliseconds interval) : interval_(interval) {}
  // Whether an attempt may be made now; if so, the next one waits.
  bool Due();
  void Reset() { next_ = {}; }

 private:
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point next_{};
};

}  // namespace platform::linux_impl
