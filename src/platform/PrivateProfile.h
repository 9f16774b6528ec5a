#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// One settings file of the private-profile (INI) kind: sections of
// "key=value" lines. Section and key names are matched without regard to
// case; what the program does not know is left as it is.
class PrivateProfile {
 public:
  virtual ~PrivateProfile() = default;

  // The value of key in section, surrounding spaces removed and cut to at most
  // maxChars characters; defaultValue when the file, section or key is absent.
  virtual std::string GetString(std::string_view section, std::string_view key,
                                std::string_view defaultValue, std::size_t maxChars) const = 0;

  // Sets key in section to value, creating the file, the section or the key as
  // needed. Returns false when the file could not be written; the file is then
  // as it was.
  virtual bool WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
};

// Whether a section, key and value can be written without breaking the line
// structure of the file (and so changing other keys) and so that the key reads
// back: names that are not blank, no line break or NUL anywhere, no "]" in a
// section, no "=" or "[" in a key, no key starting with the comment marks ";"
// or "#". Every backend refuses other writes.
bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace platform
