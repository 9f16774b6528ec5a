#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tarvelo::monitor {

// The saved state of a control: named values, in the order they were written.
// A value equal to its default is not written, so the state holds only what
// differs. Names are matched without regard to ASCII case.
class PropertyBag {
 public:
  using Value = std::variant<bool, std::int64_t, std::string>;
  using Entry = std::pair<std::string, Value>;

  PropertyBag() = default;
  PropertyBag(std::initializer_list<Entry> entries);

  // The stored value, or nullptr.
  const Value* Find(std::string_view key) const;
  // Stores value under key (in place when the key exists).
  void Set(std::string_view key, Value value);
  // Stores value unless it equals defaultValue, in which case the key is left
  // out (an earlier value is removed).
  void WriteProperty(std::string_view key, Value value, const Value& defaultValue);

  // The stored value as the wanted type, or defaultValue when the key is
  // absent. Nothing when the stored value cannot be taken as that type (a
  // text that is no number, a number out of range): the caller keeps what it
  // had. Integers and truth values convert into each other (true is -1, any
  // number but 0 is true); numbers and "True"/"False" texts are read as text.
  std::optional<bool> ReadBool(std::string_view key, bool defaultValue) const;
  std::optional<std::int64_t> ReadInteger(std::string_view key, std::int64_t defaultValue, std::int64_t min,
                                          std::int64_t max) const;
  std::optional<std::string> ReadString(std::string_view key, std::string_view defaultValue) const;

  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

}  // namespace tarvelo::monitor
