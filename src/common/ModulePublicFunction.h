#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace tarvelo::ModulePublicFunction {

// The part of text before its first NUL character, without leading and
// trailing spaces. Only the space character is trimmed, as the settings and
// window titles expect.
std::string TrimAtNull(std::string_view text);

// Rounds to the nearest whole number; a value exactly halfway goes to the even
// neighbour (12.5 -> 12, 13.5 -> 14).
double RoundHalfEven(double value);

// The first maxChars characters of UTF-8 text. A character is one code point;
// a byte that does not start a valid sequence counts as one character.
std::string CutToCharacters(std::string_view text, std::size_t maxChars);

// The length in bytes of the UTF-8 character at text[i]; 1 for a byte that
// starts no valid sequence.
std::size_t CharacterLength(std::string_view text, std::size_t i);

// The number of characters of UTF-8 text, counted as CutToCharacters does.
std::size_t CountCharacters(std::string_view text);

// count random decimal digits, each from 2 to 8 with equal chances; "" for a
// count below 1. The generator is seeded once by its owner: seeding again from
// the clock before each digit would give the same digit many times in a row.
std::string RandomDigits(std::int32_t count, std::mt19937& generator);

}  // namespace tarvelo::ModulePublicFunction
