#include "common/PropertyBag.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tarvelo {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The entry under key, or entries.end(); for const and mutable entries alike.
template <typename Entries>
auto FindEntry(Entries& entries, std::string_view key) {
  return std::find_if(entries.begin(), entries.end(), [key](const auto& e) { return SameIgnoringCase(e.first, key); });
}

// The value as an integer, before any range check.
std::optional<std::int64_t> AsInteger(const PropertyBag::Value& value) {
  if (const auto* b = std::get_if<bool>(&value)) return *b ? -1 : 0;
  if (const auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (const auto* text = std::get_if<std::string>(&value)) return ParseInteger(*text);
  return std::nullopt;
}

}  // namespace

PropertyBag::PropertyBag(std::initializer_list<Entry> entries) {
  for (const Entry& e : entries) Set(e.first, e.second);
}

const PropertyBag::Value* PropertyBag::Find(std::string_view key) const {
  const auto it = FindEntry(entries_, key);
  return it != entries_.end() ? &it->second : nullptr;
}

void PropertyBag::Set(std::string_view key, Value value) {
  if (const auto it = FindEntry(entries_, key); it != entries_.end()) it->second = std::move(value);
  else entries_.emplace_back(std::string(key), std::move(value));
}

void PropertyBag::WriteProperty(std::string_view key, Value value, const Value& defaultValue) {
  if (value != defaultValue) {
    Set(key, std::move(value));
    return;
  }
  if (const auto it = FindEntry(entries_, key); it != entries_.end()) entries_.erase(it);
}

std::optional<bool> PropertyBag::ReadBool(std::string_view key, bool defaultValue) const {
  const Value* v = Find(key);
  if (v == nullptr) return defaultValue;
  if (const auto* b = std::get_if<bool>(v)) return *b;
  if (const auto* text = std::get_if<std::string>(v)) {
    if (SameIgnoringCase(*text, "True")) return true;
    if (SameIgnoringCase(*text, "False")) return false;
  }
  if (const auto number = AsInteger(*v)) return *number != 0;
  return std::nullopt;
}

std::optional<std::int64_t> PropertyBag::ReadInteger(std::string_view key, std::int64_t defaultValue,
                                                     std::int64_t min, std::int64_t max) const {
  const Value* v = Find(key);
  if (v == nullptr) return defaultValue;
  const auto number = AsInteger(*v);
  if (!number || *number < min || *number > max) return std::nullopt;
  return number;
}

std::optional<std::uint32_t> PropertyBag::ReadColor(std::string_view key, std::uint32_t defaultValue) const {
  const auto number = ReadInteger(key, defaultValue, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::uint32_t>::max());
  if (!number) return std::nullopt;
  return static_cast<std::uint32_t>(*number);
}

std::optional<std::string> PropertyBag::ReadString(std::string_view key, std::string_view defaultValue) const {
  const Value* v = Find(key);
  if (v == nullptr) return std::string(defaultValue);
  if (const auto* text = std::get_if<std::string>(v)) return *text;
  if (const auto* i = std::get_if<std::int64_t>(v)) return std::to_string(*i);
  return std::nullopt;
}

std::optional<PropertyFont> PropertyBag::ReadFont(std::string_view key, const PropertyFont& defaultValue) const {
  const Value* v = Find(key);
  if (v == nullptr) return defaultValue;
  if (const auto* font = std::get_if<PropertyFont>(v)) return *font;
  return std::nullopt;
}

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const Entry& e : entries_) keys.push_back(e.first);
  return keys;
}

}  // namespace tarvelo
