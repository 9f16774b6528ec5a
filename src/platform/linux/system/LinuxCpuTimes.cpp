#include "platform/linux/system/LinuxCpuTimes.h"

#include <unistd.h>

#include <charconv>
#include <ctime>
#include <limits>

namespace platform::linux_impl {

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;  // 100 ns units

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The next whitespace-separated number of line; nothing at its end or on
// anything that is not a number.
std::optional<std::uint64_t> NextNumber(std::string_view& line) {
  const auto start = line.find_first_not_of(' ');
  if (start == std::string_view::npos) return std::nullopt;
  line.remove_prefix(start);
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (ec != std::errc()) return std::nullopt;
  line.remove_prefix(static_cast<std::size_t>(end - line.data()));
  return value;
}

// The processor lines come first; the file goes on with long interrupt lines
// that are not needed.
bool PastProcessorLines(std::string_view text) {
  for (std::size_t pos = text.find('\n'); pos != std::string_view::npos; pos = text.find('\n', pos + 1)) {
    const std::string_view rest = text.substr(pos + 1);
    if (rest.size() >= 3 && !StartsWith(rest, "cpu")) return true;
  }
  return false;
}

}  // namespace

std::optional<ProcStatFigures> ParseProcStat(std::string_view text, long ticksPerSecond) {
  if (ticksPerSecond <= 0) return std::nullopt;
  std::optional<std::uint64_t> idleTicks;
  int processors = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto eol = text.find('\n', pos);
    std::string_view line = text.substr(pos, eol == std::string_view::npos ? text.npos : eol - pos);
    if (!StartsWith(line, "cpu")) break;
    line.remove_prefix(3);
    if (!line.empty() && line[0] == ' ' && !idleTicks) {
      // cpu  user nice system idle iowait irq softirq steal guest guest_nice
      std::uint64_t fields[5] = {};
      int count = 0;
      for (; count < 5; ++count) {
        const auto value = NextNumber(line);
        if (!value) break;
        fields[count] = *value;
      }
      if (count < 4) return std::nullopt;
      // iowait is missing before Linux 2.6; a sum past 64 bits is no count.
      if (fields[3] > std::numeric_limits<std::uint64_t>::max() - fields[4]) return std::nullopt;
      idleTicks = fields[3] + fields[4];
    } else if (!line.empty() && line[0] >= '0' && line[0] <= '9') {
      ++processors;
    }
    if (eol == std::string_view::npos) break;
    pos = eol + 1;
  }
  if (!idleTicks) return std::nullopt;
  // Wide enough for any two 64-bit counts times ten million; a time past the
  // 64-bit range is no reading.
  using Wide = unsigned __int128;
  const Wide units = Wide(*idleTicks) * kUnitsPerSecond / static_cast<std::uint64_t>(ticksPerSecond);
  if (units > static_cast<Wide>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
  return ProcStatFigures{static_cast<std::int64_t>(units), processors};
}

std::int64_t MonotonicTime100ns() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kUnitsPerSecond + now.tv_nsec / 100;
}

LinuxCpuTimes::LinuxCpuTimes(std::string procRoot)
    : file_(std::move(procRoot) + "/stat"), ticksPerSecond_(::sysconf(_SC_CLK_TCK)) {}

std::optional<CpuTimes> LinuxCpuTimes::Read() {
  const auto text = file_.ReadUntil(buffer_, 1 << 20, PastProcessorLines);
  if (!text) return std::nullopt;
  const std::int64_t now = MonotonicTime100ns();
  const auto figures = ParseProcStat(*text, ticksPerSecond_);
  if (!figures) return std::nullopt;
  return CpuTimes{figures->idleTime, now, figures->processorCount};
}

}  // namespace platform::linux_impl
