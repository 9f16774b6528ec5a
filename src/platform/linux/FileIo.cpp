#include "platform/linux/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

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

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates dir and its missing parents with owner-only access.
bool MakeDirectories(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::string parent = DirectoryOf(dir);
  if (parent != dir && !MakeDirectories(parent)) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// The file a write to path lands in: the target of a symbolic link.
std::string ResolveTarget(const std::string& path) {
  char resolved[PATH_MAX];
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
      ::realpath(path.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return path;
}

}  // namespace

FileContents ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  FileContents result;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    return result;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return result;
  if (static_cast<std::size_t>(st.st_size) > maxBytes) {
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

bool ReplaceFileAtomically(const std::string& path, std::string_view data) {
  const std::string target = ResolveTarget(path);
  const std::string dir = DirectoryOf(target);
  if (!MakeDirectories(dir)) return false;

  mode_t mode = 0644;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) mode = st.st_mode & 07777;

  std::string temp = target + ".XXXXXX";
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd.Valid()) return false;
  const bool written = WriteAll(fd.Get(), data) && ::fchmod(fd.Get(), mode) == 0 &&
                       ::fsync(fd.Get()) == 0;
  fd.Reset();
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable.
  UniqueFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.Valid()) ::fsync(dirFd.Get());
  return true;
}

}  // namespace platform::linux_impl
