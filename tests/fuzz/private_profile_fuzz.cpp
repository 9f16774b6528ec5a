// Any bytes as Config.ini: parsing never fails, writing back what was read
// gives the same bytes, and a value written reads back whatever the file held.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>

#include "platform/PrivateProfile.h"
#include "platform/linux/files/IniDocument.h"

using platform::linux_impl::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  IniDocument doc = IniDocument::Parse(bytes);
  if (doc.Serialize() != bytes) std::abort();
  (void)doc.Get("Setting", "Autorun");

  // The first line of the input, cut in three, names a section, a key and a value.
  const std::string_view line = bytes.substr(0, bytes.find('\n'));
  const std::string_view section = line.substr(0, line.size() / 3);
  const std::string_view key = line.substr(line.size() / 3, line.size() / 3);
  const std::string_view value = line.substr(2 * (line.size() / 3));
  for (const auto& [s, k, v] : {std::tuple{std::string_view("Setting"), std::string_view("Autorun"),
                                           std::string_view("1")},
                                std::tuple{section, key, value}}) {
    if (!platform::IsWritableEntry(s, k, v)) continue;
    doc.Set(s, k, v);
    const std::string written = doc.Serialize();
    const IniDocument again = IniDocument::Parse(written);
    const auto read = again.Get(s, k);
    // Surrounding blanks and one pair of quotes are no part of a value read.
    if (!read || read->size() > v.size()) std::abort();
  }
  return 0;
}
