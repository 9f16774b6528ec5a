#include "platform/linux/LinuxSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::linux_impl {

namespace {

std::string DefaultLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime != nullptr && *runtime == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    return std::string(runtime) + "/tarvelo.lock";
  }
  return "/tmp/tarvelo-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace

LinuxSingleInstance::LinuxSingleInstance(std::string lockPath)
    : lockPath_(lockPath.empty() ? DefaultLockPath() : std::move(lockPath)) {}

bool LinuxSingleInstance::AnotherInstanceRunning() {
  if (lock_.Valid()) return false;  // this instance holds the lock already
  UniqueFd fd(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  // A lock file that cannot be opened (say, one planted by another account)
  // must not keep the user from running the program.
  if (!fd.Valid()) return false;
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
  lock_ = std::move(fd);
  return false;
}

}  // namespace platform::linux_impl
