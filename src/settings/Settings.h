#pragma once

#include <string>
#include <string_view>

#include "platform/PrivateProfile.h"

namespace tarvelo {

// A key of Config.ini with its section.
struct SettingKey {
  std::string_view section;
  std::string_view key;
};

namespace keys {
inline constexpr SettingKey EnableImproveProcess{"Process", "EnableImproveProcess"};
inline constexpr SettingKey ImproveSpeed{"Process", "ImproveSpeed"};
inline constexpr SettingKey EnableFreeMemory{"Memory", "EnableFreeMemory"};
inline constexpr SettingKey AutoFreeMemoryInterval{"Memory", "AutoFreeMemoryInterval"};
inline constexpr SettingKey Autorun{"Setting", "Autorun"};
inline constexpr SettingKey Automin{"Setting", "Automin"};
// 0 turns the advertisement banner and its requests to the web site off.
inline constexpr SettingKey EnableAd{"Setting", "EnableAd"};
}  // namespace keys

// The user's settings in Config.ini. Start-up reads each key once onto its
// control; a control writes its key the moment it changes. A system-wide
// Config.ini, where there is one, gives defaults for some switches; it is
// never written.
class Settings {
 public:
  // Values are read into a buffer of 255 characters: at most 254 and a NUL.
  static constexpr std::size_t kMaxValueChars = 254;

  explicit Settings(platform::PrivateProfile& file, const platform::PrivateProfile* systemFile = nullptr)
      : file_(file), systemFile_(systemFile) {}

  // The value, cut to 254 characters, up to its first NUL and without
  // surrounding spaces; "" when the key or the file is absent.
  std::string ReadSetting(std::string_view section, std::string_view key) const;
  std::string ReadSetting(const SettingKey& key) const { return ReadSetting(key.section, key.key); }

  // Writes the value. A file that cannot be written leaves the setting unsaved
  // without a message; the control keeps its value and the next change tries
  // again.
  void WriteSetting(std::string_view section, std::string_view key, std::string_view value);
  void WriteSetting(const SettingKey& key, std::string_view value) { WriteSetting(key.section, key.key, value); }

  // An on/off switch: "1" is on and "0" off. The user's file decides where it
  // holds either; else the system-wide file; else fallback. Any other value
  // counts as not set.
  bool ReadSwitch(const SettingKey& key, bool fallback) const;

 private:
  platform::PrivateProfile& file_;
  const platform::PrivateProfile* systemFile_;
};

// Whether the advertisement banner shows and asks the web site for its text:
// on unless EnableAd says 0.
bool AdEnabled(const Settings& settings);

// The value of a check box from its stored text: 1 only for the whole number
// 1; anything else, a missing or garbled value included, leaves it unchecked.
int CheckValueFromSetting(std::string_view text);

// The decimal text a check box stores: "0" or "1".
std::string CheckValueText(bool checked);

}  // namespace tarvelo
