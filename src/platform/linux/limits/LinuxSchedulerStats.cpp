#include "platform/linux/limits/LinuxSchedulerStats.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <ctime>
#include <memory>

#include "platform/linux/processes/ProcessControl.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

namespace {

// The unsigned number at the start of text; the rest of text follows it.
std::optional<std::uint64_t> TakeNumber(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return value;
}

}  // namespace

std::optional<SchedulerStats::ThreadTimes> ParseSchedstat(std::string_view text) {
  const auto run = TakeNumber(text);
  if (!run || text.empty() || text.front() != ' ') return std::nullopt;
  const auto wait = TakeNumber(text);
  if (!wait) return std::nullopt;
  return SchedulerStats::ThreadTimes{*run, *wait};
}

std::optional<std::uint64_t> ParseCpuSomeTotal(std::string_view text) {
  while (!text.empty()) {
    const std::size_t lineEnd = text.find('\n');
    std::string_view line = text.substr(0, lineEnd);
    text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 1);
    if (line.substr(0, 5) != "some ") continue;
    constexpr std::string_view kTotal = " total=";
    const std::size_t at = line.find(kTotal);
    if (at == std::string_view::npos) return std::nullopt;
    line.remove_prefix(at + kTotal.size());
    const auto total = TakeNumber(line);
    if (!total || !(line.empty() || line.front() == ' ')) return std::nullopt;
    return total;
  }
  return std::nullopt;
}

LinuxSchedulerStats::LinuxSchedulerStats(std::string procRoot)
    : procRoot_(std::move(procRoot)), pressure_(procRoot_ + "/pressure/cpu") {}

std::uint64_t LinuxSchedulerStats::NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(now.tv_nsec);
}

std::optional<SchedulerStats::ProcessTimes> LinuxSchedulerStats::TimesOf(ProcessId pid) {
  if (pid == 0 || pid > static_cast<ProcessId>(INT_MAX)) return std::nullopt;
  const std::string taskDir = procRoot_ + "/" + std::to_string(pid) + "/task";
  struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir(taskDir.c_str()));
  if (!dir) return std::nullopt;
  ProcessTimes times;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    std::uint32_t tid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), tid);
    if (ec != std::errc() || end != name.data() + name.size() || tid == 0) continue;
    const auto text = ReadProcText(taskDir + "/" + std::string(name) + "/schedstat");
    if (!text) continue;  // the thread ended meanwhile
    if (const auto thread = ParseSchedstat(*text)) times[tid] = *thread;
  }
  if (times.empty()) return std::nullopt;
  return times;
}

std::optional<std::uint64_t> LinuxSchedulerStats::CpuSomeStallUs() {
  char buffer[256];
  const auto n = pressure_.ReadInto(buffer, sizeof buffer);
  if (!n) return std::nullopt;
  return ParseCpuSomeTotal(std::string_view(buffer, *n));
}

}  // namespace platform::linux_impl
