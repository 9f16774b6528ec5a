#include "platform/linux/LinuxMemoryStatus.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <charconv>
#include <optional>

namespace platform::linux_impl {

namespace {

// The value in bytes of the "name:  <n> kB" line.
std::optional<std::uint64_t> Field(std::string_view text, std::string_view name) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto eol = text.find('\n', pos);
    const std::string_view line = text.substr(pos, eol == std::string_view::npos ? text.npos : eol - pos);
    if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
      std::string_view rest = line.substr(name.size() + 1);
      rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
      std::uint64_t kib = 0;
      const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), kib);
      if (ec != std::errc()) return std::nullopt;
      return kib * 1024;
    }
    if (eol == std::string_view::npos) break;
    pos = eol + 1;
  }
  return std::nullopt;
}

}  // namespace

MemoryStatus ParseMeminfo(std::string_view text) {
  MemoryStatus status;
  status.totalPhys = Field(text, "MemTotal").value_or(0);
  // Kernels before 3.14 have no MemAvailable; free memory is the next best.
  status.availPhys = Field(text, "MemAvailable").value_or(Field(text, "MemFree").value_or(0));
  return status;
}

LinuxMemoryStatus::LinuxMemoryStatus(std::string procRoot) : path_(std::move(procRoot) + "/meminfo") {}

MemoryStatus LinuxMemoryStatus::Read() {
  // MemTotal and MemAvailable are among the first lines; one page holds them.
  char buffer[4096];
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!fd_.Valid()) fd_.Reset(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd_.Valid()) return {};
    ssize_t n;
    do {
      n = ::pread(fd_.Get(), buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n >= 0) return ParseMeminfo(std::string_view(buffer, static_cast<std::size_t>(n)));
    fd_.Reset();  // reopen once, then give up for this reading
  }
  return {};
}

}  // namespace platform::linux_impl
