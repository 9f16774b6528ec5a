#include "app/Settings.h"

#include <charconv>

#include "common/ModulePublicFunction.h"

namespace tarvelo {

std::string Settings::ReadSetting(std::string_view section, std::string_view key) const {
  return ModulePublicFunction::TrimAtNull(file_.GetString(section, key, "", kMaxValueChars));
}

void Settings::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
  file_.WriteString(section, key, value);
}

int CheckValueFromSetting(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value == 1 ? 1 : 0;
}

std::string CheckValueText(bool checked) { return checked ? "1" : "0"; }

}  // namespace tarvelo
