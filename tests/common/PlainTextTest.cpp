#include "common/PlainText.h"

#include <gtest/gtest.h>

namespace tarvelo {
namespace {

using namespace std::string_literals;

TEST(PlainText, ControlAndBidiCharactersBecomeAVisiblePlaceholderLettersStay) {
  const std::string p(PlainText::kPlaceholder);
  const struct {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"ASCII name", "firefox-esr", "firefox-esr"},
      {"letters of other scripts", "Größe 日本語 العربية עברית ελληνικά кириллица",
       "Größe 日本語 العربية עברית ελληνικά кириллица"},
      {"joiners that shape letters", "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB \xD9\x85\xE2\x80\x8C\xD9\x8A",
       "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB \xD9\x85\xE2\x80\x8C\xD9\x8A"},
      {"right-to-left override", "invoice\xE2\x80\xAEtxt.exe", "invoice" + p + "txt.exe"},
      {"every bidi format character",
       "\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\xE2\x81\xA6\xE2\x81\xA7"
       "\xE2\x81\xA8\xE2\x81\xA9",
       p + p + p + p + p + p + p + p + p + p + p},
      {"line breaks and tabs", "a\nb\r\tc", "a" + p + "b" + p + p + "c"},
      {"NUL, escape, DEL", "a\0b\x1B[31mc\x7F"s, "a" + p + "b" + p + "[31mc" + p},
      {"C1 control", "a\xC2\x85z", "a" + p + "z"},
      {"line and paragraph separators", "a\xE2\x80\xA8z\xE2\x80\xA9", "a" + p + "z" + p},
      {"invalid UTF-8", "a\xFF\xC0\xAFz\xE2\x82", "a" + p + p + p + "z" + p + p},
      {"surrogate half", "\xED\xA0\x80", p + p + p},
      {"markup stays text", "<b>&amp;</b>", "<b>&amp;</b>"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainText::Displayable(c.in), c.out) << c.what;
}

}  // namespace
}  // namespace tarvelo
