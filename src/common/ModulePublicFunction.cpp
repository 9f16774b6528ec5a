#include "common/ModulePublicFunction.h"

#include <cmath>

namespace tarvelo::ModulePublicFunction {

std::string TrimAtNull(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double fraction = value - lower;
  if (fraction < 0.5) return lower;
  if (fraction > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::size_t CharacterLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  if (i + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}


std::string CutToCharacters(std::string_view text, std::size_t maxChars) {
  std::size_t i = 0;
  for (std::size_t count = 0; count < maxChars && i < text.size(); ++count) {
    i += CharacterLength(text, i);
  }
  return std::string(text.substr(0, i));
}

std::size_t CountCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i)) ++count;
  return count;
}

std::string RandomDigits(std::int32_t count, std::mt19937& generator) {
  std::uniform_int_distribution<int> digit(2, 8);
  std::string digits;
  for (std::int32_t i = 0; i < count; ++i) digits += static_cast<char>('0' + digit(generator));
  return digits;
}

}  // namespace tarvelo::ModulePublicFunction
