#pragma once

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "support/MissingInCi.h"
#include "platform/ForegroundWindow.h"
#include "platform/linux/UniqueFd.h"

namespace tarvelo::testing {

using ::tarvelo::testing::InCi;

// Asks until the condition holds or the (generous) time is over.
inline bool WaitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The full path of a program found on PATH, or "".
inline std::string FindOnPath(const std::string& tool) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "/usr/bin:/bin";
  while (!rest.empty()) {
    const std::string dir(rest.substr(0, rest.find(':')));
    const std::string candidate = dir + "/" + tool;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (rest.find(':') == std::string_view::npos) break;
    rest.remove_prefix(rest.find(':') + 1);
  }
  return {};
}

// The nice value of a process, or 999 when it cannot be read.
inline int NiceOf(platform::ProcessId pid) {
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(pid));
  return errno == 0 ? nice : 999;
}

// A listening Unix socket: the compositor's side of a stand-in.
class Listener {
 public:
  explicit Listener(const std::string& path) : path_(path) {
    fd_.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_.Get(), 8) != 0) {
      fd_.Reset();
    }
  }
  ~Listener() { Close(); }
  bool Valid() const { return fd_.Valid(); }
  // Stops listening and removes the socket, as an ending compositor does.
  void Close() {
    if (!fd_.Valid()) return;
    fd_.Reset();
    ::unlink(path_.c_str());
  }
  // The next client, or an invalid descriptor when none came in time.
  platform::linux_impl::UniqueFd Accept(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    pollfd pfd{fd_.Get(), POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(limit.count())) != 1) return {};
    return platform::linux_impl::UniqueFd(::accept4(fd_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  }

 private:
  std::string path_;
  platform::linux_impl::UniqueFd fd_;
};

// Reads exactly count bytes, waiting for each part; "" when they did not come.
inline std::string ReadBytes(int fd, std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (bytes.size() < count) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd pfd{fd, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) != 1) return {};
    char chunk[4096];
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (n <= 0) return {};
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return bytes;
}

inline bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace tarvelo::testing
