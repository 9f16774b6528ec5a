// Any bytes as the advertisement reply: the banner text is valid UTF-8 with
// no control or bidirectional formatting character left in it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/ModuleAd.h"
#include "common/ModulePublicFunction.h"

namespace {

bool SafeToShow(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    const std::size_t length = tarvelo::ModulePublicFunction::CharacterLength(text, i);
    if (c >= 0x80 && length == 1) return false;  // a byte that starts no valid sequence
    const std::string_view ch = text.substr(i, length);
    for (std::string_view hidden : {"\xC2\x85", "\xE2\x80\xAE", "\xE2\x80\xAD", "\xE2\x81\xA6", "\xE2\x80\x8F"}) {
      if (ch == hidden) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  if (!SafeToShow(tarvelo::ModuleAd::BannerText(reply))) std::abort();
  (void)tarvelo::ModuleAd::SiteRoot(std::string(reply).c_str());
  return 0;
}
