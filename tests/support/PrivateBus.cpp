#include "support/PrivateBus.h"

#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace tarvelo::testing {

namespace {

bool Connectable(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

PrivateBus::PrivateBus() {
  const std::string socket = dir_.File("bus");
  const std::string config = dir_.File("bus.conf");
  WriteFile(config,
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:path=" + socket + "</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n");
  std::string configArg = "--config-file=" + config;
  char program[] = "dbus-daemon";
  char nofork[] = "--nofork";
  char nopidfile[] = "--nopidfile";
  char* argv[] = {program, configArg.data(), nofork, nopidfile, nullptr};
  if (::posix_spawnp(&pid_, "dbus-daemon", nullptr, nullptr, argv, environ) != 0) {
    pid_ = -1;
    error_ = "dbus-daemon could not be started (package dbus)";
    return;
  }
  // Generous: the machine may be busy.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!Connectable(socket)) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "dbus-daemon ended at start";
      return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      error_ = "dbus-daemon did not listen within 30 s";
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  address_ = "unix:path=" + socket;
}

PrivateBus::~PrivateBus() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

}  // namespace tarvelo::testing
