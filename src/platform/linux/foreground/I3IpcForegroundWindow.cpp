#include "platform/linux/foreground/I3IpcForegroundWindow.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/linux/foreground/CompositorReply.h"

namespace platform::linux_impl {

namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeaderSize = kMagic.size() + 8;
// A tree of thousands of windows stays far below this; more is a broken peer.
constexpr std::uint32_t kMaxPayload = 64u << 20;

const char* const kUnreachable =
    "The booster cannot reach the compositor's IPC socket ($SWAYSOCK); it keeps trying.";

}  // namespace

I3IpcForegroundWindow::I3IpcForegroundWindow(std::string socketPath, std::string runtimeDir)
    : socketPath_(std::move(socketPath)), runtimeDir_(std::move(runtimeDir)) {
  if (!Connect()) SetProblem(kUnreachable);
}

std::string I3IpcForegroundWindow::Message(std::uint32_t type, std::string_view payload) {
  std::string message(kMagic);
  const auto length = static_cast<std::uint32_t>(payload.size());
  message.append(reinterpret_cast<const char*>(&length), sizeof length);
  message.append(reinterpret_cast<const char*>(&type), sizeof type);
  message.append(payload);
  return message;
}

bool I3IpcForegroundWindow::Connect() {
  std::vector<std::string> candidates{socketPath_};
  // A restarted sway listens on a new path, named after its pid.
  if (!runtimeDir_.empty()) {
    const std::string prefix = "sway-ipc." + std::to_string(::getuid()) + ".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(runtimeDir_, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(prefix) && name.ends_with(".sock") && entry.path() != socketPath_) {
        candidates.push_back(entry.path().string());
      }
    }
  }
  for (const std::string& path : candidates) {
    fd_ = ConnectUnixSocket(path, true);
    if (!fd_.Valid()) continue;
    buffer_.clear();
    ForgetAll();  // ids restart with a new compositor
    if (Send(kSubscribe, R"(["window","workspace","shutdown"])") && Send(kGetTree, "")) {
      socketPath_ = path;
      SetProblem({});
      return true;
    }
    fd_.Reset();
  }
  return false;
}

void I3IpcForegroundWindow::Disconnect() {
  fd_.Reset();
  buffer_.clear();
  ForgetAll();
  SetProblem(kUnreachable);
  retry_.Reset();  // the first attempt at once: a restart is quick
}

bool I3IpcForegroundWindow::Send(std::uint32_t type, std::string_view payload) {
  const std::string message = Message(type, payload);
  std::size_t sent = 0;
  while (sent < message.size()) {
    const ssize_t n = ::send(fd_.Get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // a full socket to a compositor that reads nothing is broken too
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void I3IpcForegroundWindow::Refresh() {
  if (fd_.Valid()) Drain();
  // A connection that has just ended is tried again at once: sway drops a
  // client that leaves its events unread for long (while the booster is
  // off), and a restarted sway listens again quickly.
  if (!fd_.Valid() && retry_.Due()) Connect();
}

void I3IpcForegroundWindow::Drain() {
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::recv(fd_.Get(), chunk, sizeof chunk, 0);
    if (n > 0) {
      buffer_.append(chunk, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    Disconnect();  // closed, or an error
    return;
  }
  std::size_t offset = 0;
  while (buffer_.size() - offset >= kHeaderSize) {
    if (std::string_view(buffer_).substr(offset, kMagic.size()) != kMagic) {
      Disconnect();
      return;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, buffer_.data() + offset + kMagic.size(), sizeof length);
    std::memcpy(&type, buffer_.data() + offset + kMagic.size() + 4, sizeof type);
    if (length > kMaxPayload) {
      Disconnect();
      return;
    }
    if (buffer_.size() - offset - kHeaderSize < length) break;  // the rest comes later
    Handle(type, std::string_view(buffer_).substr(offset + kHeaderSize, length));
    if (!fd_.Valid()) return;  // the message ended the connection
    offset += kHeaderSize + length;
  }
  buffer_.erase(0, offset);
}

void I3IpcForegroundWindow::Handle(std::uint32_t type, std::string_view payload) {
  if (type == kEventShutdown) {
    Disconnect();
    return;
  }
  if (type != kGetTree && type != kEventWindow && type != kEventWorkspace) return;
  const auto json = ParseCompositorReply(payload);
  if (!json) return;  // a broken message changes nothing
  if (type == kGetTree) {
    FrontFromTree(*json);
    return;
  }
  const std::string* change = StringOf(Member(*json, "change"));
  if (change == nullptr) return;
  if (type == kEventWorkspace) {
    // Focus on another workspace may leave no window focused (an empty
    // one): the tree says which node has the focus now.
    if (*change == "focus" && !Send(kGetTree, "")) Disconnect();
    return;
  }
  const Json& container = Member(*json, "container");
  const auto id = IntegerOf(Member(container, "id"));
  if (!id) return;
  if (*change == "focus") {
    FrontFromContainer(container);
  } else if (*change == "title") {
    if (const std::string* name = StringOf(Member(container, "name"))) SetTitle(std::to_string(*id), *name);
  } else if (*change == "close") {
    Forget(std::to_string(*id));
  }
}

void I3IpcForegroundWindow::FrontFromTree(const Json& tree) {
  const Json* focused = FocusedNode(tree);
  const std::string* type = focused == nullptr ? nullptr : StringOf(Member(*focused, "type"));
  // An output or a workspace with the focus: no window is in front.
  if (type == nullptr || (*type != "con" && *type != "floating_con")) {
    SetNoFront();
    return;
  }
  FrontFromContainer(*focused);
}

void I3IpcForegroundWindow::FrontFromContainer(const Json& container) {
  const auto id = IntegerOf(Member(container, "id"));
  if (!id) return;
  const std::string* name = StringOf(Member(container, "name"));
  // Wayland clients' pids come from their socket's credentials; an X11
  // client's pid is whatever its window property claims, maybe from another
  // machine.
  const std::string* shell = StringOf(Member(container, "shell"));
  const bool local = shell == nullptr || *shell != "xwayland";
  SetFront(std::to_string(*id), IntegerOf(Member(container, "pid")).value_or(0), name == nullptr ? "" : *name, local);
}

}  // namespace platform::linux_impl
