#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The line protocol between the program and tarvelo-priv. One request a line,
// one reply a line, plain ASCII:
//   "nice <pid> <start time> <-5|-10>"   raise every thread and the autogroup
//   "reset <pid> <start time>"           put them back to nice 0
//   "pageout <pid> <start time>"         page out the whole address space
// The start time (field 22 of /proc/<pid>/stat) names the process for good, so
// a pid reused meanwhile is refused. Replies: "ok", "again" (the threads are
// set, the autogroup change waits for the kernel's rate limit) and
// "err <errno>". Anything else, an empty line too, is answered "err 22"
// (EINVAL); the program sends an empty line to know that the helper runs.
namespace platform::priv {

inline constexpr std::size_t kMaxLine = 80;  // longer lines are refused

enum class Verb { Nice, Reset, PageOut };

struct Request {
  Verb verb = Verb::Reset;
  std::uint32_t pid = 0;
  std::uint64_t startTime = 0;
  int nice = 0;  // Nice: -5 or -10; Reset: 0
};

// The one text of a request.
std::string FormatRequest(const Request& request);
// A request from one line (without its newline); nothing for anything that is
// not exactly one of the three forms with a pid above 0 and an allowed level.
std::optional<Request> ParseRequest(std::string_view line);

// Replies: 0 "ok", -1 "again", an errno for "err <errno>"; nothing for garbage.
std::string FormatReply(int code);
std::optional<int> ParseReply(std::string_view line);
inline constexpr int kAgain = -1;

}  // namespace platform::priv
