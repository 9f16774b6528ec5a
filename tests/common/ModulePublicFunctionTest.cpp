#include <gtest/gtest.h>

#include <string>

#include "common/ModulePublicFunction.h"

namespace tarvelo {
namespace {

using namespace std::string_literals;
using ModulePublicFunction::CountCharacters;
using ModulePublicFunction::CutToCharacters;
using ModulePublicFunction::RandomDigits;
using ModulePublicFunction::RoundHalfEven;
using ModulePublicFunction::TrimAtNull;

TEST(TrimAtNull, CutsAtTheFirstNulThenTrimsSpaces) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"  1  ", "1"},
      {"Above Normal", "Above Normal"},
      {" High\0garbage"s, "High"},
      {"\0High"s, ""},
      {"   ", ""},
      {"\t1\t", "\t1\t"},  // only the space character is trimmed
  };
  for (const auto& c : cases) EXPECT_EQ(TrimAtNull(c.in), c.out) << "input of " << c.in.size() << " bytes";
}

TEST(RoundHalfEven, HalfwayGoesToTheEvenNeighbour) {
  const struct {
    double in, out;
  } cases[] = {{12.5, 12}, {13.5, 14}, {0.5, 0}, {1.5, 2}, {2.5, 2}, {12.4999, 12}, {12.5001, 13},
               {100.0 / 3.0, 33}, {200.0 / 3.0, 67}, {-1.5, -2}, {-2.5, -2}, {100, 100}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
}

TEST(CutToCharacters, CountsCodePointsAndNeverSplitsOne) {
  EXPECT_EQ(CutToCharacters("abcdef", 4), "abcd");
  EXPECT_EQ(CutToCharacters("abc", 10), "abc");
  EXPECT_EQ(CutToCharacters("h\xC3\xA9llo", 2), "h\xC3\xA9");            // é is one character
  EXPECT_EQ(CutToCharacters("\xE2\x82\xAC\xE2\x82\xAC", 1), "\xE2\x82\xAC");  // €
  EXPECT_EQ(CutToCharacters("\xFF\xFE" "ab", 3), "\xFF\xFE" "a");         // stray bytes count one each
  EXPECT_EQ(CutToCharacters("a\xE2\x82", 5), "a\xE2\x82");               // a truncated sequence is kept as bytes
  EXPECT_EQ(CountCharacters("h\xC3\xA9llo"), 5u);
  EXPECT_EQ(CountCharacters("\xFF\xFE" "ab"), 4u);
  EXPECT_EQ(CountCharacters(""), 0u);
}

TEST(RandomDigits, DigitsFromTwoToEightWithEqualChances) {
  std::mt19937 generator(20240601);
  EXPECT_EQ(RandomDigits(0, generator), "");
  EXPECT_EQ(RandomDigits(-3, generator), "");
  EXPECT_EQ(RandomDigits(5, generator).size(), 5u);

  // Chi-square against the uniform spread over the seven digits; 22.46 is the
  // 0.1 % point with six degrees of freedom.
  constexpr int kDraws = 70000;
  const std::string digits = RandomDigits(kDraws, generator);
  ASSERT_EQ(digits.size(), static_cast<std::size_t>(kDraws));
  int counts[10] = {};
  for (char d : digits) {
    ASSERT_GE(d, '2');
    ASSERT_LE(d, '8');
    ++counts[d - '0'];
  }
  const double expected = kDraws / 7.0;
  double chiSquare = 0;
  for (int d = 2; d <= 8; ++d) chiSquare += (counts[d] - expected) * (counts[d] - expected) / expected;
  EXPECT_LT(chiSquare, 22.46);

  // Nor do neighbours repeat more than chance says (1 in 7).
  int repeats = 0;
  for (std::size_t i = 1; i < digits.size(); ++i) repeats += digits[i] == digits[i - 1];
  EXPECT_NEAR(repeats / double(kDraws - 1), 1.0 / 7.0, 0.01);
}

}  // namespace
}  // namespace tarvelo
