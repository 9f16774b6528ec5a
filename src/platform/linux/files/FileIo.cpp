#include "platform/linux/files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <deque>
#include <optional>
#include <random>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

// Whom the folders on the way to a file must belong to.
enum class Trust {
  Anyone,     // no check (an ordinary user acting for themselves)
  RootOwned,  // root's, writable by no one else; a sticky folder may lie above
  RootOnly,   // root's, writable by no one else, all the way
};

Trust TrustForCaller() { return ::geteuid() == 0 ? Trust::RootOwned : Trust::Anyone; }

bool Trusted(const struct stat& st, Trust trust, bool last) {
  if (trust == Trust::Anyone) return true;
  if (st.st_uid != 0) return false;
  if (S_ISLNK(st.st_mode)) return true;  // a link's own mode means nothing
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return true;
  // In a sticky folder only root may rename or remove root's entries.
  return trust == Trust::RootOwned && !last && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void SplitPath(std::string_view path, std::deque<std::string>& parts, bool atFront) {
  std::deque<std::string> split;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    if (end > start) split.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (atFront) {
    parts.insert(parts.begin(), split.begin(), split.end());
  } else {
    parts.insert(parts.end(), split.begin(), split.end());
  }
}

std::string AbsolutePath(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return {};
  return std::string(cwd) + "/" + path;
}

UniqueFd OpenRoot(Trust trust) {
  UniqueFd root(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat st {};
  if (!root.Valid() || ::fstat(root.Get(), &st) != 0 || !Trusted(st, trust, false)) return {};
  return root;
}

// Opens the folder dir by walking it one component at a time, never letting a
// name be swapped for a link between a check and its use. Links on the way are
// followed only when trusted, and not at all without followLinks. Missing
// folders are made (owner-only) when create holds. On failure errno tells why
// (ENOENT for a missing folder).
UniqueFd OpenDirectory(const std::string& dir, bool create, Trust trust, bool followLinks = true) {
  const std::string absolute = AbsolutePath(dir);
  if (absolute.empty()) return {};
  std::deque<std::string> parts;
  SplitPath(absolute, parts, false);
  UniqueFd current = OpenRoot(trust);
  if (!current.Valid()) {
    errno = EACCES;
    return {};
  }
  int links = 0;
  while (!parts.empty()) {
    const std::string name = std::move(parts.front());
    parts.pop_front();
    if (name == ".") continue;
    struct stat st {};
    if (::fstatat(current.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT || !create) return {};
      if (::mkdirat(current.Get(), name.c_str(), 0700) != 0 && errno != EEXIST) return {};
      if (::fstatat(current.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
    }
    if (!Trusted(st, trust, parts.empty())) {
      errno = EACCES;
      return {};
    }
    if (S_ISLNK(st.st_mode)) {
      if (!followLinks) {
        errno = ELOOP;
        return {};
      }
      char target[PATH_MAX];
      const ssize_t n = ::readlinkat(current.Get(), name.c_str(), target, sizeof target - 1);
      if (n <= 0 || ++links > 40) {
        errno = ELOOP;
        return {};
      }
      const std::string_view link(target, static_cast<std::size_t>(n));
      SplitPath(link, parts, true);
      if (link.front() == '/') {
        current = OpenRoot(trust);
        if (!current.Valid()) return {};
      }
      continue;
    }
    UniqueFd next(::openat(current.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.Valid()) return {};
    // The folder opened must be the one just checked.
    struct stat opened {};
    if (::fstat(next.Get(), &opened) != 0 || opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
      errno = EAGAIN;
      return {};
    }
    current = std::move(next);
  }
  return current;
}

struct SplitName {
  std::string dir;
  std::string name;
};

std::optional<SplitName> Split(const std::string& path) {
  const auto slash = path.find_last_of('/');
  SplitName result;
  if (slash == std::string::npos) {
    result = {".", path};
  } else {
    result = {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
  }
  if (result.name.empty() || result.name == "." || result.name == "..") return std::nullopt;
  return result;
}

// Reads name in the folder dirFd (AT_FDCWD: the path itself): only a regular
// file, checked before it is opened so that no FIFO or device is ever opened.
FileContents ReadAt(int dirFd, const std::string& name, std::size_t maxBytes, Trust trust) {
  FileContents result;
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    return result;
  }
  if (!S_ISREG(st.st_mode) || !Trusted(st, trust, true)) return result;
  UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened {};
  if (!fd.Valid() || ::fstat(fd.Get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != st.st_dev ||
      opened.st_ino != st.st_ino) {
    return result;
  }
  if (static_cast<std::size_t>(opened.st_size) > maxBytes) {
    result.status = ReadStatus::TooLarge;
    return result;
  }
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return result;
    }
    if (n == 0) break;
    result.bytes.append(buffer, static_cast<std::size_t>(n));
    if (result.bytes.size() > maxBytes) {
      result.bytes.clear();
      result.status = ReadStatus::TooLarge;
      return result;
    }
  }
  result.status = ReadStatus::Ok;
  return result;
}

// A fresh file next to name, for the new contents; its name goes to tempName.
UniqueFd CreateTemporary(int dirFd, const std::string& name, std::string& tempName) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tempName = name + ".";
    for (int i = 0; i < 6; ++i) tempName += kLetters[random() % (sizeof kLetters - 1)];
    UniqueFd fd(::openat(dirFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.Valid() || errno != EEXIST) return fd;
  }
  return {};
}

}  // namespace

FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  return ReadAt(AT_FDCWD, path, maxBytes, Trust::Anyone);
}

FileContents ReadOwnFile(const std::string& path, std::size_t maxBytes) {
  const auto parts = Split(path);
  if (!parts) return {};
  const Trust trust = TrustForCaller();
  const UniqueFd dir = OpenDirectory(parts->dir, false, trust);
  if (!dir.Valid()) {
    FileContents result;
    if (errno == ENOENT) result.status = ReadStatus::Missing;
    return result;
  }
  return ReadAt(dir.Get(), parts->name, maxBytes, trust);
}

bool ReplaceFileAtomically(const std::string& path, std::string_view data) {
  const auto parts = Split(path);
  if (!parts) return false;
  const Trust trust = TrustForCaller();
  const UniqueFd dir = OpenDirectory(parts->dir, true, trust);
  if (!dir.Valid()) return false;
  const char* name = parts->name.c_str();

  mode_t mode = 0644;
  std::optional<std::pair<uid_t, gid_t>> owner;
  struct stat st {};
  if (::fstatat(dir.Get(), name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(st.st_mode) || !Trusted(st, trust, true)) return false;
    // A read-only file stays as it is, as on Windows; so does one this
    // account could not write in place.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    if (::faccessat(dir.Get(), name, W_OK, AT_EACCESS) != 0) return false;
    mode = st.st_mode & 07777;
    owner = {st.st_uid, st.st_gid};
  } else if (errno != ENOENT) {
    return false;
  }

  std::string temp;
  UniqueFd fd = CreateTemporary(dir.Get(), parts->name, temp);
  if (!fd.Valid()) return false;
  struct stat created {};
  bool written = WriteAll(fd.Get(), data) && ::fstat(fd.Get(), &created) == 0;
  // Owner first: a change of owner clears the set-id bits of the mode.
  if (written && owner && (created.st_uid != owner->first || created.st_gid != owner->second)) {
    written = ::fchown(fd.Get(), owner->first, owner->second) == 0;
  }
  written = written && ::fchmod(fd.Get(), mode) == 0 && ::fsync(fd.Get()) == 0;
  fd.Reset();
  if (!written || ::renameat(dir.Get(), temp.c_str(), dir.Get(), name) != 0) {
    ::unlinkat(dir.Get(), temp.c_str(), 0);
    return false;
  }
  // Make the rename itself durable.
  ::fsync(dir.Get());
  return true;
}

UniqueFd OpenOwnDirectory(std::string path, bool create) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const auto parts = Split(path);
  if (!parts) return {};
  const Trust trust = TrustForCaller();
  // Root follows no link, not even one of its own.
  const UniqueFd parent = OpenDirectory(parts->dir, create, trust, trust == Trust::Anyone);
  if (!parent.Valid()) return {};
  const char* name = parts->name.c_str();
  if (create && ::mkdirat(parent.Get(), name, 0700) != 0 && errno != EEXIST) return {};
  struct stat st {};
  if (::fstatat(parent.Get(), name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
      !Trusted(st, trust, true)) {
    return {};
  }
  UniqueFd folder(::openat(parent.Get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat opened {};
  if (!folder.Valid() || ::fstat(folder.Get(), &opened) != 0 || opened.st_dev != st.st_dev ||
      opened.st_ino != st.st_ino) {
    return {};
  }
  return folder;
}

bool IsChangeableOnlyByRoot(const std::string& path) {
  const auto parts = Split(path);
  if (!parts || path.empty() || path.front() != '/') return false;
  const UniqueFd dir = OpenDirectory(parts->dir, false, Trust::RootOnly);
  struct stat st {};
  return dir.Valid() && ::fstatat(dir.Get(), parts->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(st.st_mode) && Trusted(st, Trust::RootOnly, true);
}

}  // namespace platform::linux_impl
