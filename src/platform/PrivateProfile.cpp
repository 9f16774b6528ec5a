#include "platform/PrivateProfile.h"

namespace platform {

namespace {

bool HasAny(std::string_view text, std::string_view characters) {
  return text.find_first_of(characters) != std::string_view::npos;
}

bool Blank(std::string_view name) { return name.find_first_not_of(' ') == std::string_view::npos; }

}  // namespace

bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
  using namespace std::string_view_literals;
  const auto lineBreaks = "\r\n\0"sv;
  return !Blank(section) && !Blank(key) && !HasAny(section, lineBreaks) && !HasAny(section, "]") &&
         !HasAny(key, lineBreaks) && !HasAny(key, "=[") && !HasAny(value, lineBreaks);
}

}  // namespace platform
