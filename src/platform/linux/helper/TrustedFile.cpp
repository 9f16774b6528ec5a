#include "platform/linux/helper/TrustedFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace platform::linux_impl {

namespace {

// Whether only root can change the entries of a folder or the bytes of a file.
bool OnlyRootWrites(const struct stat& info) { return info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0; }

TrustedFile Problem(std::string text) { return {UniqueFd(), std::move(text)}; }

std::string OpenProblem(const std::string& where, int error) {
  if (error == ELOOP || error == ENOTDIR) return where + " is a symbolic link or no folder.";
  return where + " cannot be opened: " + std::strerror(error) + ".";
}

}  // namespace

TrustedFile OpenTrustedFile(const std::string& path) {
  if (path.empty() || path.front() != '/') return Problem("\"" + path + "\" is no absolute path.");
  std::vector<std::string> parts;
  for (std::size_t at = 1; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string part = path.substr(at, end - at);
    if (part == "." || part == "..") return Problem(path + " goes through \"" + part + "\".");
    if (!part.empty()) parts.push_back(part);
    at = end + 1;
  }
  if (parts.empty()) return Problem(path + " names no file.");

  UniqueFd dir(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  std::string where = "/";
  for (std::size_t i = 0;; ++i) {
    if (!dir.Valid()) return Problem(OpenProblem(where, errno));
    struct stat info{};
    if (::fstat(dir.Get(), &info) != 0) return Problem(OpenProblem(where, errno));
    if (!OnlyRootWrites(info)) return Problem(where + " can be changed by others than root.");
    if (i + 1 == parts.size()) break;
    // O_PATH with O_NOFOLLOW would open a link itself: O_DIRECTORY refuses it.
    dir.Reset(::openat(dir.Get(), parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    where += (i == 0 ? "" : "/") + parts[i];
  }

  // Non-blocking and without a terminal: a FIFO or device put there by root
  // is refused below, never waited on.
  UniqueFd file(::openat(dir.Get(), parts.back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.Valid()) {
    if (errno == ELOOP) return Problem(path + " is a symbolic link.");
    return Problem(path + " cannot be opened: " + std::strerror(errno) + ".");
  }
  struct stat info{};
  if (::fstat(file.Get(), &info) != 0) return Problem(path + " cannot be read: " + std::strerror(errno) + ".");
  if (!S_ISREG(info.st_mode)) return Problem(path + " is no regular file.");
  if (!OnlyRootWrites(info)) return Problem(path + " can be changed by others than root.");
  return {std::move(file), {}};
}

}  // namespace platform::linux_impl
