#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::linux_impl {

// A JSON value as the compositors' sockets send it: enough to read their
// replies, strict about malformed input, and bounded in nesting depth so that
// a hostile or broken peer cannot exhaust the stack.
class JsonValue {
 public:
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue, std::less<>>;

  JsonValue() = default;  // null

  // The value of a whole document, or nothing when it is not valid JSON.
  static std::optional<JsonValue> Parse(std::string_view text);

  bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsObject() const { return std::holds_alternative<Object>(v_); }
  // A member of an object; null for anything else or a missing member.
  const JsonValue& operator[](std::string_view key) const;
  const Array& Items() const;  // the elements of an array; empty otherwise
  std::optional<std::int64_t> Integer() const;  // a number without fraction
  std::optional<bool> Bool() const;
  const std::string* String() const;  // nullptr unless a string

 private:
  friend class JsonParser;
  std::variant<std::monostate, bool, double, std::int64_t, std::string, Array, Object> v_;
};

}  // namespace platform::linux_impl
