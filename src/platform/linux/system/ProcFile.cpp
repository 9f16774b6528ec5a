#include "platform/linux/system/ProcFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform::linux_impl {

std::optional<std::size_t> ProcFile::ReadInto(char* buffer, std::size_t size) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!fd_.Valid()) fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd_.Valid()) return std::nullopt;
    ssize_t n;
    do {
      n = ::pread(fd_.Get(), buffer, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) return static_cast<std::size_t>(n);
    fd_.Reset();  // reopen once, then give up for this reading
  }
  return std::nullopt;
}

}  // namespace platform::linux_impl
