#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/PropertyFont.h"

namespace tarvelo {

// The saved state of a control: named values, in the order they were written
// (a key written again keeps its place and its first spelling). A value equal
// to its default is not written, so the state holds only what differs. Keys
// are matched without regard to ASCII case.
class PropertyBag {
 public:
  // A flag, a number (colours included), a text or a font.
  using Value = std::variant<bool, std::int64_t, std::string, PropertyFont>;
  using Entry = std::pair<std::string, Value>;

  PropertyBag() = default;
  PropertyBag(std::initializer_list<Entry> entries);

  // The stored value, or nullptr.
  const Value* Find(std::string_view key) const;
  // Stores value under key whatever its default (in place when the key exists).
  void Set(std::string_view key, Value value);
  // Stores value unless it equals defaultValue, in which case the key is left
  // out (an earlier value is removed, so nothing stale stays behind).
  void WriteProperty(std::string_view key, Value value, const Value& defaultValue);

  // Typed reads: the stored value as the wanted type, or defaultValue when the
  // key is absent. Nothing when the stored value cannot be taken as that type;
  // each control decides what that means for it.
  //  - Truth values and integers convert into each other: true is -1, false 0,
  //    any number but 0 is true.
  //  - A text is read as a truth value when it is "True" or "False" (any case)
  //    or a whole number, and as an integer when it is a whole number (spaces
  //    around it allowed).
  //  - A number is read as text in decimal; a truth value is not text.
  //  - A font is read only as a font, and nothing else as a font.
  //  - An integer outside [min, max] cannot be taken.
  std::optional<bool> ReadBool(std::string_view key, bool defaultValue) const;
  std::optional<std::int64_t> ReadInteger(std::string_view key, std::int64_t defaultValue, std::int64_t min,
                                          std::int64_t max) const;
  // A 32-bit colour, saved as a signed or an unsigned number: any integer from
  // the 32-bit signed minimum to the 32-bit unsigned maximum, taken modulo 2^32.
  std::optional<std::uint32_t> ReadColor(std::string_view key, std::uint32_t defaultValue) const;
  std::optional<std::string> ReadString(std::string_view key, std::string_view defaultValue) const;
  std::optional<PropertyFont> ReadFont(std::string_view key, const PropertyFont& defaultValue) const;

  const std::vector<Entry>& Entries() const { return entries_; }
  // The keys in their order.
  std::vector<std::string> Keys() const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace tarvelo
