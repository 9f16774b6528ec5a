#include "platform/PrivateProfile.h"

namespace platform {

namespace {

bool HasAny(std::string_view text, std::string_view characters) {
  return text.find_first_of(characters) != std::string_view::npos;
}

// Spaces and tabs around a name are no part of it.
std::string_view Trim(std::string_view name) {
  const auto first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return name.substr(first, name.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
  using namespace std::string_view_literals;
  const auto lineBreaks = "\r\n\0"sv;
  const std::string_view name = Trim(key);
  // A line starting with ';' or '#' is a comment: such a key would never read back.
  const bool comment = !name.empty() && (name.front() == ';' || name.front() == '#');
  return !Trim(section).empty() && !name.empty() && !comment && !HasAny(section, lineBreaks) &&
         !HasAny(section, "]") && !HasAny(key, lineBreaks) && !HasAny(key, "=[") && !HasAny(value, lineBreaks);
}

}  // namespace platform
