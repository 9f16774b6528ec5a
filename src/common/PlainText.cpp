#include "common/PlainText.h"

#include <cstddef>
#include <utility>

namespace tarvelo::PlainText {

namespace {

bool Hidden(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) ||  // C0, DEL, C1
         c == 0x061C ||                           // Arabic letter mark
         c == 0x200E || c == 0x200F ||            // left-to-right and right-to-left marks
         c == 0x2028 || c == 0x2029 ||            // line and paragraph separators
         (c >= 0x202A && c <= 0x202E) ||          // embeddings and overrides
         (c >= 0x2066 && c <= 0x2069);            // isolates
}


}  // namespace

std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return {c, 1};
  std::size_t length = 0;
  char32_t code = 0;
  if ((c & 0xE0) == 0xC0) {
    length = 2;
    code = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3;
    code = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4;
    code = c & 0x07;
  } else {
    return {0, 0};
  }
  if (i + length > text.size()) return {0, 0};
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    code = (code << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {0, 0};
  return {code, length};
}

std::string Displayable(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto [code, length] = DecodeUtf8(utf8, i);
    if (length == 0 || Hidden(code)) {
      out += kPlaceholder;
      i += length == 0 ? 1 : length;
      continue;
    }
    out.append(utf8, i, length);
    i += length;
  }
  return out;
}

}  // namespace tarvelo::PlainText
