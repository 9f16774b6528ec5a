#include "platform/linux/foreground/CompositorForegroundWindow.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/ModulePublicFunction.h"

namespace platform::linux_impl {

namespace {
// Enough for the windows in front at the last few ticks.
constexpr std::size_t kRecentWindows = 16;
}  // namespace

WindowHandle CompositorForegroundWindow::Foreground() {
  Refresh();
  return front_;
}

std::string CompositorForegroundWindow::Title(WindowHandle window) {
  const Seen* seen = Find(window);
  return seen == nullptr ? std::string() : seen->title;
}

ProcessId CompositorForegroundWindow::OwnerProcess(WindowHandle window) {
  const Seen* seen = Find(window);
  return seen == nullptr ? 0 : seen->pid;
}

CompositorForegroundWindow::Seen* CompositorForegroundWindow::Find(WindowHandle handle) {
  if (handle == 0) return nullptr;
  const auto it = std::find_if(recent_.begin(), recent_.end(), [&](const Seen& s) { return s.handle == handle; });
  return it == recent_.end() ? nullptr : &*it;
}

CompositorForegroundWindow::Seen* CompositorForegroundWindow::Find(std::string_view id) {
  const auto it = std::find_if(recent_.begin(), recent_.end(), [&](const Seen& s) { return s.id == id; });
  return it == recent_.end() ? nullptr : &*it;
}

void CompositorForegroundWindow::SetFront(std::string_view id, std::int64_t pid, std::string_view title,
                                          bool local) {
  const ProcessId owner = local && pid > 0 && pid <= INT32_MAX ? static_cast<ProcessId>(pid) : 0;
  std::string text = tarvelo::ModulePublicFunction::CutToCharacters(title, kMaxTitleChars);
  const auto it = std::find_if(recent_.begin(), recent_.end(), [&](const Seen& s) { return s.id == id; });
  if (it != recent_.end() && it->pid == owner) {
    // Moves to the front of the list, keeping its handle.
    Seen kept = std::move(*it);
    kept.title = std::move(text);
    recent_.erase(it);
    recent_.push_front(std::move(kept));
  } else {
    // A new window, or a reused id with another process: a handle of its own.
    if (it != recent_.end()) recent_.erase(it);
    if (++lastHandle_ == 0) ++lastHandle_;
    recent_.push_front(Seen{lastHandle_, std::string(id), owner, std::move(text)});
    if (recent_.size() > kRecentWindows) recent_.pop_back();
  }
  front_ = recent_.front().handle;
}

void CompositorForegroundWindow::SetTitle(std::string_view id, std::string_view title) {
  if (Seen* seen = Find(id)) seen->title = tarvelo::ModulePublicFunction::CutToCharacters(title, kMaxTitleChars);
}

void CompositorForegroundWindow::Forget(std::string_view id) {
  const auto it = std::find_if(recent_.begin(), recent_.end(), [&](const Seen& s) { return s.id == id; });
  if (it == recent_.end()) return;
  if (it->handle == front_) front_ = 0;
  recent_.erase(it);
}

void CompositorForegroundWindow::ForgetAll() {
  recent_.clear();
  front_ = 0;
}

UniqueFd ConnectUnixSocket(const std::string& path, bool nonBlocking) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return {};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.data(), path.size());
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.Valid()) return {};
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
  if (nonBlocking) {
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags | O_NONBLOCK) != 0) return {};
  }
  return fd;
}

bool RetryTimer::Due() {
  const auto now = std::chrono::steady_clock::now();
  if (now < next_) return false;
  next_ = now + interval_;
  return true;
}

}  // namespace platform::linux_impl
