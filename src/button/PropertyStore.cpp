#include "button/PropertyStore.h"

#include <algorithm>

namespace tarvelo::button {

namespace {

bool SameKey(std::string_view a, std::string_view b) {
  const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
           return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
         });
}

}  // namespace

MemoryPropertyStore::MemoryPropertyStore(std::initializer_list<std::pair<std::string, PropertyValue>> values) {
  for (const auto& [key, value] : values) Set(key, value);
}

std::vector<std::pair<std::string, PropertyValue>>::const_iterator MemoryPropertyStore::Find(
    std::string_view key) const {
  return std::find_if(values_.begin(), values_.end(), [key](const auto& entry) { return SameKey(entry.first, key); });
}

PropertyValue MemoryPropertyStore::Read(std::string_view key, const PropertyValue& defaultValue) const {
  const auto it = Find(key);
  return it == values_.end() ? defaultValue : it->second;
}

void MemoryPropertyStore::Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) {
  if (value == defaultValue) {
    // A value back at its default leaves no stale entry behind.
    if (const auto it = Find(key); it != values_.end()) values_.erase(it);
    return;
  }
  Set(key, value);
}

void MemoryPropertyStore::Set(std::string_view key, PropertyValue value) {
  if (const auto it = Find(key); it != values_.end()) {
    values_[static_cast<std::size_t>(it - values_.begin())].second = std::move(value);
    return;
  }
  values_.emplace_back(std::string(key), std::move(value));
}

bool MemoryPropertyStore::Contains(std::string_view key) const { return Find(key) != values_.end(); }

std::vector<std::string> MemoryPropertyStore::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(values_.size());
  for (const auto& entry : values_) keys.push_back(entry.first);
  return keys;
}

}  // namespace tarvelo::button
