#include "platform/linux/system/LinuxMemoryStatus.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace platform::linux_impl {

std::optional<std::uint64_t> MeminfoBytes(std::string_view text, std::string_view name) {
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

MemoryStatus ParseMeminfo(std::string_view text) {
  MemoryStatus status;
  status.totalPhys = MeminfoBytes(text, "MemTotal").value_or(0);
  // Kernels before 3.14 have no MemAvailable; free memory is the next best.
  status.availPhys = MeminfoBytes(text, "MemAvailable").value_or(MeminfoBytes(text, "MemFree").value_or(0));
  return status;
}

LinuxMemoryStatus::LinuxMemoryStatus(std::string procRoot) : file_(std::move(procRoot) + "/meminfo") {}

MemoryStatus LinuxMemoryStatus::Read() {
  // MemTotal and MemAvailable are among the first lines; one page holds them.
  char buffer[4096];
  const auto n = file_.ReadInto(buffer, sizeof buffer);
  return n ? ParseMeminfo(std::string_view(buffer, *n)) : MemoryStatus{};
}

}  // namespace platform::linux_impl
