#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <string_view>

namespace tarvelo::PlainText {

// What stands in for a character that must not take effect on the screen.
inline constexpr std::string_view kPlaceholder = "\xEF\xBF\xBD";  // U+FFFD

// Text from outside the program (process names, the advertisement) made safe
// to show: control characters (C0, DEL, C1), line and paragraph separators,
// and the bidirectional formatting characters that would reorder what
// follows them (a process named "exe.\u202Etxt" reads as another name) each
// become kPlaceholder, as does every byte that is no valid UTF-8. Letters of
// every script, and joiners that shape them, are kept.
std::string Displayable(std::string_view utf8);

// The code point of the UTF-8 sequence at text[i] and its length; length 0
// where the bytes there are no valid sequence (cut short, overlong, a
// surrogate, past U+10FFFF).
std::pair<char32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t i);

}  // namespace tarvelo::PlainText
