#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "button/CommandData.h"

namespace tarvelo::button {

// A saved property value: a flag, a number (colours included), a text or a
// font.
using PropertyValue = std::variant<bool, std::int64_t, std::string, ButtonFont>;

// Where a control keeps its properties with its host, under fixed keys.
class PropertyStore {
 public:
  virtual ~PropertyStore() = default;
  // The value saved under key (matched without regard to case), or
  // defaultValue when there is none.
  virtual PropertyValue Read(std::string_view key, const PropertyValue& defaultValue) const = 0;
  // Saves value under key; a value equal to defaultValue is not kept.
  virtual void Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) = 0;
};

// A property store in memory that keeps its keys in the order written.
class MemoryPropertyStore : public PropertyStore {
 public:
  MemoryPropertyStore() = default;
  MemoryPropertyStore(std::initializer_list<std::pair<std::string, PropertyValue>> values);

  PropertyValue Read(std::string_view key, const PropertyValue& defaultValue) const override;
  void Write(std::string_view key, const PropertyValue& value, const PropertyValue& defaultValue) override;

  // Sets a value whatever its default.
  void Set(std::string_view key, PropertyValue value);
  bool Contains(std::string_view key) const;
  std::vector<std::string> Keys() const;

 private:
  std::vector<std::pair<std::string, PropertyValue>>::const_iterator Find(std::string_view key) const;

  std::vector<std::pair<std::string, PropertyValue>> values_;
};

}  // namespace tarvelo::button
