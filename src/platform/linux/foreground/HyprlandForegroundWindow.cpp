#include "platform/linux/foreground/HyprlandForegroundWindow.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <vector>

#include "platform/linux/foreground/CompositorReply.h"

namespace platform::linux_impl {

namespace {

const char* const kUnreachable = "The booster cannot reach Hyprland's sockets; it keeps trying.";
constexpr std::size_t kMaxLine = 1u << 20;
constexpr std::size_t kMaxReply = 4u << 20;
constexpr auto kRequestTimeout = std::chrono::seconds(1);

bool StartsWith(std::string_view line, std::string_view prefix) { return line.substr(0, prefix.size()) == prefix; }

}  // namespace

HyprlandForegroundWindow::HyprlandForegroundWindow(std::string instance, std::string runtimeDir, std::string tmpDir)
    : instance_(std::move(instance)), runtimeDir_(std::move(runtimeDir)), tmpDir_(std::move(tmpDir)) {
  if (!Connect()) SetProblem(kUnreachable);
}

bool HyprlandForegroundWindow::ConnectIn(const std::string& directory) {
  events_ = ConnectUnixSocket(directory + "/.socket2.sock", true);
  if (!events_.Valid()) return false;
  directory_ = directory;
  buffer_.clear();
  ForgetAll();
  if (!QueryActiveWindow()) {
    events_.Reset();
    return false;
  }
  SetProblem({});
  return true;
}

bool HyprlandForegroundWindow::Connect() {
  std::vector<std::string> candidates;
  if (!instance_.empty()) {
    if (!runtimeDir_.empty()) candidates.push_back(runtimeDir_ + "/hypr/" + instance_);
    candidates.push_back(tmpDir_ + "/hypr/" + instance_);
  }
  // A restarted Hyprland has a new instance signature.
  for (const std::string& base : {runtimeDir_.empty() ? std::string() : runtimeDir_ + "/hypr", tmpDir_ + "/hypr"}) {
    if (base.empty()) continue;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
      if (entry.path().filename() != instance_) candidates.push_back(entry.path().string());
    }
  }
  for (const std::string& directory : candidates) {
    if (ConnectIn(directory)) return true;
  }
  return false;
}

void HyprlandForegroundWindow::Refresh() {
  if (events_.Valid()) Drain();
  // A connection that has just ended is tried again at once: a restarted
  // Hyprland listens again quickly.
  if (!events_.Valid() && retry_.Due()) Connect();
}

void HyprlandForegroundWindow::Drain() {
  bool changed = false;
  bool closed = false;
  char chunk[16384];
  for (;;) {
    const ssize_t n = ::recv(events_.Get(), chunk, sizeof chunk, 0);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    closed = true;
    break;
  }
  std::size_t start = 0;
  for (std::size_t end; (end = buffer_.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string_view line = std::string_view(buffer_).substr(start, end - start);
    if (StartsWith(line, "activewindow") || StartsWith(line, "windowtitle")) changed = true;
    if (StartsWith(line, "closewindow>>")) {
      // Its address without "0x", as "j/activewindow" gives it with.
      Forget("0x" + std::string(line.substr(13)));
      changed = true;
    }
  }
  buffer_.erase(0, start);
  if (buffer_.size() > kMaxLine) closed = true;  // no line is that long
  if (closed || (changed && !QueryActiveWindow())) {
    events_.Reset();
    ForgetAll();
    SetProblem(kUnreachable);
    retry_.Reset();
  }
}

bool HyprlandForegroundWindow::QueryActiveWindow() {
  UniqueFd request = ConnectUnixSocket(directory_ + "/.socket.sock", true);
  if (!request.Valid()) return false;
  constexpr std::string_view kAsk = "j/activewindow";
  if (::send(request.Get(), kAsk.data(), kAsk.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(kAsk.size())) {
    return false;
  }
  // The reply ends where Hyprland closes the connection.
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + kRequestTimeout;
  for (;;) {
    char chunk[16384];
    const ssize_t n = ::recv(request.Get(), chunk, sizeof chunk, 0);
    if (n > 0) {
      reply.append(chunk, static_cast<std::size_t>(n));
      if (reply.size() > kMaxReply) return false;
      continue;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{request.Get(), POLLIN, 0};
    ::poll(&pfd, 1, static_cast<int>(left.count()));
  }
  const auto json = ParseCompositorReply(reply);
  if (!json || !json->is_object()) {
    SetNoFront();  // an answer, if a strange one: nothing is known to be in front
    return true;
  }
  const std::string* address = StringOf(Member(*json, "address"));
  if (address == nullptr || address->empty()) {
    SetNoFront();  // "{}": no window has the focus
    return true;
  }
  const std::string* title = StringOf(Member(*json, "title"));
  // Wayland clients' pids come from their socket's credentials; an X11
  // client's pid is whatever its window property claims.
  const bool local = !BoolOf(Member(*json, "xwayland")).value_or(false);
  SetFront(*address, IntegerOf(Member(*json, "pid")).value_or(0), title == nullptr ? "" : *title, local);
  return true;
}

}  // namespace platform::linux_impl
