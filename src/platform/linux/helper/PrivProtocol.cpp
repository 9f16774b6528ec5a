#include "platform/linux/helper/PrivProtocol.h"

#include <charconv>
#include <climits>
#include <vector>

namespace platform::priv {

namespace {

template <typename T>
std::optional<T> Number(std::string_view text) {
  T value{};
  // Digits only: no sign, no spaces, no leading "+", at most 20 of them.
  if (text.empty() || text.size() > 20) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The words between single spaces; an empty one where two spaces meet or at
// either end, which makes the line no request.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  for (;;) {
    const auto space = line.find(' ');
    words.push_back(line.substr(0, space));
    if (space == std::string_view::npos || words.size() > 5) return words;
    line = line.substr(space + 1);
  }
}

}  // namespace

std::string FormatRequest(const Request& request) {
  const std::string target = std::to_string(request.pid) + " " + std::to_string(request.startTime);
  switch (request.verb) {
    case Verb::Nice: return "nice " + target + " " + std::to_string(request.nice);
    case Verb::Reset: return "reset " + target;
    case Verb::PageOut: return "pageout " + target;
  }
  return {};
}

std::optional<Request> ParseRequest(std::string_view line) {
  if (line.size() > kMaxLine) return std::nullopt;
  const std::vector<std::string_view> words = Words(line);
  if (words.size() < 3) return std::nullopt;
  for (const std::string_view word : words) {
    if (word.empty()) return std::nullopt;
  }
  Request request;
  std::size_t expected = 3;
  if (words[0] == "nice") {
    request.verb = Verb::Nice;
    expected = 4;
  } else if (words[0] == "reset") {
    request.verb = Verb::Reset;
  } else if (words[0] == "pageout") {
    request.verb = Verb::PageOut;
  } else {
    return std::nullopt;
  }
  if (words.size() != expected) return std::nullopt;
  const auto pid = Number<std::uint32_t>(words[1]);
  const auto start = Number<std::uint64_t>(words[2]);
  if (!pid || *pid == 0 || *pid > static_cast<std::uint32_t>(INT_MAX) || !start) return std::nullopt;
  request.pid = *pid;
  request.startTime = *start;
  if (request.verb == Verb::Nice) {
    // Only the two raised levels; anything else is refused.
    if (words[3] == "-5") request.nice = -5;
    else if (words[3] == "-10") request.nice = -10;
    else return std::nullopt;
  }
  return request;
}

std::string FormatReply(int code) {
  if (code == 0) return "ok";
  if (code == kAgain) return "again";
  return "err " + std::to_string(code);
}

std::optional<int> ParseReply(std::string_view line) {
  if (line == "ok") return 0;
  if (line == "again") return kAgain;
  if (line.substr(0, 4) != "err ") return std::nullopt;
  const auto code = Number<int>(line.substr(4));
  if (!code || *code <= 0) return std::nullopt;
  return *code;
}

}  // namespace platform::priv
