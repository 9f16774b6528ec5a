#include "platform/linux/LinuxWorkingSetTrimmer.h"

#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>

#include "platform/linux/FileIo.h"
#include "platform/linux/UniqueFd.h"

#ifndef SYS_pidfd_open
#define SYS_pidfd_open 434
#endif
#ifndef SYS_process_madvise
#define SYS_process_madvise 440
#endif
#ifndef MADV_PAGEOUT
#define MADV_PAGEOUT 21
#endif

namespace platform::linux_impl {

namespace {

constexpr std::size_t kMaxMapsBytes = 64 * 1024 * 1024;
constexpr std::size_t kMaxRangesPerCall = UIO_MAXIOV;

constexpr std::array<std::string_view, 5> kSpecialMappings = {"[vsyscall]", "[vvar]", "[vvar_vclock]", "[vdso]",
                                                              "[uprobes]"};

bool ParseHex(std::string_view text, std::uintptr_t& value) {
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

std::vector<AddressRange> TrimmableRanges(std::string_view maps) {
  std::vector<AddressRange> ranges;
  while (!maps.empty()) {
    const auto eol = maps.find('\n');
    const std::string_view line = maps.substr(0, eol);
    maps = eol == std::string_view::npos ? std::string_view() : maps.substr(eol + 1);
    const auto dash = line.find('-');
    const auto space = line.find(' ');
    if (dash == std::string_view::npos || space == std::string_view::npos || dash > space) continue;
    AddressRange range;
    if (!ParseHex(line.substr(0, dash), range.start) || !ParseHex(line.substr(dash + 1, space - dash - 1), range.end) ||
        range.end <= range.start) {
      continue;
    }
    const auto bracket = line.rfind(" [");
    if (bracket != std::string_view::npos) {
      const std::string_view name = line.substr(bracket + 1);
      if (std::find(kSpecialMappings.begin(), kSpecialMappings.end(), name) != kSpecialMappings.end()) continue;
    }
    ranges.push_back(range);
  }
  return ranges;
}

LinuxWorkingSetTrimmer::LinuxWorkingSetTrimmer(std::string procRoot) : root_(std::move(procRoot)) {}

bool LinuxWorkingSetTrimmer::TrimWorkingSet(ProcessId pid) {
  UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
  if (!pidfd.Valid()) return false;  // ended, or not a process
  // The maps are read after the pidfd is held: the pid cannot be reused meanwhile.
  const FileContents maps = ReadWholeFile(root_ + "/" + std::to_string(pid) + "/maps", kMaxMapsBytes);
  if (maps.status != ReadStatus::Ok) return false;

  std::vector<iovec> ranges;
  for (const AddressRange& r : TrimmableRanges(maps.bytes)) {
    ranges.push_back({reinterpret_cast<void*>(r.start), r.end - r.start});
  }
  bool accepted = false;
  std::size_t next = 0;
  while (next < ranges.size()) {
    const std::size_t count = std::min(kMaxRangesPerCall, ranges.size() - next);
    const ssize_t advised = ::syscall(SYS_process_madvise, pidfd.Get(), &ranges[next], count, MADV_PAGEOUT, 0);
    if (advised < 0) {
      // Not allowed, or the process is gone: nothing more can be done.
      if (errno == EPERM || errno == EACCES || errno == ESRCH) return accepted;
      ++next;  // the first range was refused (unmapped meanwhile, a special mapping): step over it
      continue;
    }
    accepted = true;
    // The call stops at a range it refuses: go on after that one.
    auto bytes = static_cast<std::size_t>(advised);
    std::size_t done = next;
    while (done < next + count && bytes >= ranges[done].iov_len) bytes -= ranges[done++].iov_len;
    next = done == next + count ? done : done + 1;
  }
  return accepted;
}

}  // namespace platform::linux_impl
