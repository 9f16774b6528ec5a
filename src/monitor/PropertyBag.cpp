#include "monitor/PropertyBag.h"

#include <algorithm>
#include <charconv>

namespace tarvelo::monitor {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

PropertyBag::PropertyBag(std::initializer_list<Entry> entries) {
  for (const Entry& e : entries) Set(e.first, e.second);
}

const PropertyBag::Value* PropertyBag::Find(std::string_view key) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return SameName(e.first, key); });
  return it != entries_.end() ? &it->second : nullptr;
}

void PropertyBag::Set(std::string_view key, Value value) {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return SameName(e.first, key); });
  if (it != entries_.end()) it->second = std::move(value);
  else entries_.emplace_back(std::string(key), std::move(value));
}

void PropertyBag::WriteProperty(std::string_view key, Value value, const Value& defaultValue) {
  if (value != defaultValue) {
    Set(key, std::move(value));
    return;
  }
  std::erase_if(entries_, [&](const Entry& e) { return SameName(e.first, key); });
}

std::optional<bool> PropertyBag::ReadBool(std::string_view key, bool defaultValue) const {
  const Value* v = Find(key);
  if (v == nullptr) return defaultValue;
  if (const auto* b = std::get_if<bool>(v)) return *b;
  if (const auto* i = std::get_if<std::int64_t>(v)) return *i != 0;
  const auto& text = std::get<std::string>(*v);
  if (SameName(text, "True")) return true;
  if (SameName(text, "False")) return false;
  if (const auto number = ParseInteger(text)) return *number != 0;
  return std::nullopt;
}

std::optional<std::int64_t> PropertyBag::ReadInteger(std::string_view key, std::int64_t defaultValue,
                                                     std::int64_t min, std::int64_t max) const {
  const Value* v = Find(key);
  if (v == nullptr) return defaultValue;
  std::optional<std::int64_t> number;
  if (const auto* b = std::get_if<bool>(v)) number = *b ? -1 : 0;
  else if (const auto* i = std::get_if<std::int64_t>(v)) number = *i;
  else number = ParseInteger(std::get<std::string>(*v));
  if (!number || *number < min || *number > max) return std::nullopt;
  return number;
}

std::optional<std::string> PropertyBag::ReadString(std::string_view key, std::string_view defaultValue) const {
  const Value* v = Find(key);
  if (v == nullptr) return std::string(defaultValue);
  if (const auto* b = std::get_if<bool>(v)) return std::string(*b ? "True" : "False");
  if (const auto* i = std::get_if<std::int64_t>(v)) return std::to_string(*i);
  return std::get<std::string>(*v);
}

}  // namespace tarvelo::monitor
