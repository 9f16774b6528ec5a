#include "platform/linux/desktop/LinuxSingleInstance.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/linux/files/FileIo.h"

namespace platform::linux_impl {

namespace {

constexpr char kLockName[] = "tarvelo.lock";
constexpr char kSocketName[] = "tarvelo.socket";

// ~/.cache of the account's home in the password database.
std::string AccountCacheHome() {
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr &&
                                                     *entry->pw_dir == '/') {
    return std::string(entry->pw_dir) + "/.cache";
  }
  return "";
}

std::string CacheHome() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && *cache == '/') return cache;
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return std::string(home) + "/.cache";
  return AccountCacheHome();
}

// Whether an open folder is this user's and nobody else's.
bool OnlyThisUsers(const UniqueFd& folder) {
  struct stat st {};
  return folder.Valid() && ::fstat(folder.Get(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// The folder "tarvelo" under cacheHome, made when missing; "" when it cannot
// be trusted.
std::string OwnCacheFolder(const char* cacheHome) {
  if (cacheHome == nullptr || *cacheHome != '/') return "";
  const std::string own = std::string(cacheHome) + "/tarvelo";
  const UniqueFd folder = OpenOwnDirectory(own, true);
  struct stat st {};
  if (!folder.Valid() || ::fstat(folder.Get(), &st) != 0 || st.st_uid != ::getuid()) return "";
  // A folder of ours that an old umask left open to others is closed again.
  if ((st.st_mode & 077) != 0 && ::fchmod(folder.Get(), 0700) != 0) return "";
  return own;
}

std::optional<sockaddr_un> SocketAddress(const std::string& directory) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = directory + "/" + kSocketName;
  if (path.size() >= sizeof(address.sun_path)) return std::nullopt;  // too long for a socket name
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

// Whether the other end of a connected socket runs as this user.
bool PeerIsThisUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof(peer);
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

}  // namespace

bool PrivateDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && path.front() == '/' && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

std::string InstanceDirectory(const char* runtimeDir, const char* cacheHome, const char* accountCacheHome) {
  if (runtimeDir != nullptr && *runtimeDir == '/' && OnlyThisUsers(OpenOwnDirectory(runtimeDir, false))) {
    return runtimeDir;
  }
  if (std::string own = OwnCacheFolder(cacheHome); !own.empty()) return own;
  return OwnCacheFolder(accountCacheHome);
}

LinuxSingleInstance::LinuxSingleInstance(std::string directory)
    : directory_(directory.empty() ? InstanceDirectory(std::getenv("XDG_RUNTIME_DIR"), CacheHome().c_str(),
                                                       AccountCacheHome().c_str())
                                   : std::move(directory)) {}

LinuxSingleInstance::~LinuxSingleInstance() { RemoveOwnSocket(); }

bool LinuxSingleInstance::AnotherInstanceRunning() {
  if (lock_.Valid()) return false;  // this instance holds the lock already
  if (directory_.empty()) return false;  // no safe place: never keep the user from running the program
  UniqueFd dir(::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) return false;
  for (int attempt = 0; attempt < 2; ++attempt) {
    UniqueFd fd(::openat(dir.Get(), kLockName, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
    // A lock file that cannot be opened must not keep the user from running
    // the program.
    if (!fd.Valid()) return false;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return false;
    if (st.st_uid != ::getuid() || !S_ISREG(st.st_mode)) {
      // Planted by someone else: its lock proves nothing. Put ours in its place.
      fd.Reset();
      if (::unlinkat(dir.Get(), kLockName, 0) != 0) return false;
      continue;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    lock_ = std::move(fd);
    Listen();
    return false;
  }
  return false;
}

void LinuxSingleInstance::Listen() {
  const auto address = SocketAddress(directory_);
  if (!address) return;
  // The lock is ours, so a socket left there belongs to an instance that has ended.
  ::unlink(address->sun_path);
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.Valid()) return;
  if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0) return;
  // Remembered so that the exit removes this very file and no later one.
  struct stat bound {};
  // Connecting takes write access to the socket file: the user's only.
  if (::lstat(address->sun_path, &bound) != 0 || !S_ISSOCK(bound.st_mode) || ::chmod(address->sun_path, 0600) != 0 ||
      ::listen(fd.Get(), 8) != 0) {
    ::unlink(address->sun_path);
    return;
  }
  socketPath_ = address->sun_path;
  socketDevice_ = bound.st_dev;
  socketInode_ = bound.st_ino;
  listener_ = std::move(fd);
}

void LinuxSingleInstance::RemoveOwnSocket() {
  if (socketPath_.empty()) return;
  // Another instance may have bound its own socket there since (after the
  // runtime folder was cleaned, say): that one is left alone. The lock is
  // still held here, so no instance that honours it can slip in between the
  // look and the unlink.
  struct stat present {};
  if (::lstat(socketPath_.c_str(), &present) == 0 && S_ISSOCK(present.st_mode) && present.st_dev == socketDevice_ &&
      present.st_ino == socketInode_) {
    ::unlink(socketPath_.c_str());
  }
  socketPath_.clear();
}

bool LinuxSingleInstance::ActivateRunningInstance() {
  if (directory_.empty()) return false;
  const auto address = SocketAddress(directory_);
  if (!address) return false;
  UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd.Valid()) return false;
  if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0) return false;
  // Only our own instance hears about it.
  if (!PeerIsThisUser(fd.Get())) return false;
  const char request = 'S';
  return ::send(fd.Get(), &request, 1, MSG_NOSIGNAL) == 1;
}

bool LinuxSingleInstance::TakeActivationRequests() {
  if (!listener_.Valid()) return false;
  bool asked = false;
  // Each connection of this user is one request; nothing more is read.
  for (int i = 0; i < 64; ++i) {
    UniqueFd peer(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!peer.Valid()) break;
    if (PeerIsThisUser(peer.Get())) asked = true;
  }
  return asked;
}

}  // namespace platform::linux_impl
