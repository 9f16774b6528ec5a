#include "settings/Settings.h"

#include <charconv>

#include "common/ModulePublicFunction.h"

namespace tarvelo {

std::string Settings::ReadSetting(std::string_view section, std::string_view key) const {
  return ModulePublicFunction::TrimAtNull(file_.GetString(section, key, "", kMaxValueChars));
}

void Settings::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
  file_.WriteString(section, key, value);
}

bool Settings::ReadSwitch(const SettingKey& key, bool fallback) const {
  for (const platform::PrivateProfile* file : {static_cast<const platform::PrivateProfile*>(&file_), systemFile_}) {
    if (file == nullptr) continue;
    const std::string value =
        ModulePublicFunction::TrimAtNull(file->GetString(key.section, key.key, "", kMaxValueChars));
    if (value == "1") return true;
    if (value == "0") return false;
  }
  return fallback;
}

bool AdEnabled(const Settings& settings) { return settings.ReadSwitch(keys::EnableAd, true); }

int CheckValueFromSetting(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value == 1 ? 1 : 0;
}

std::string CheckValueText(bool checked) { return checked ? "1" : "0"; }

}  // namespace tarvelo
