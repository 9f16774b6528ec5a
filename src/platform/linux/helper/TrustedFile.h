#pragma once

#include <string>

#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// A file opened for reading together with why it could not be trusted. The
// descriptor is valid only when the file can be trusted.
struct TrustedFile {
  UniqueFd fd;
  std::string problem;  // empty when trusted; else a plain sentence naming the path
};

// Opens an absolute path when only root can change what it names: no
// component is a symbolic link, every folder from / down is root's and
// writable by root alone (a sticky folder such as /tmp is not enough), and
// the file is a regular file of root's that only root may write. The walk
// opens one component at a time below the folder checked before it, so what
// is checked is what is opened; the caller acts on the descriptor.
TrustedFile OpenTrustedFile(const std::string& path);

}  // namespace platform::linux_impl
