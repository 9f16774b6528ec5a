#include "monitor/FormatFilesize.h"

#include <cmath>
#include <cstdio>

namespace tarvelo::monitor {

namespace {

// value rounded to decimals places (halves away from zero), digits grouped by
// thousands.
std::string FormatNumber(double value, int decimals, const NumberFormat& format) {
  const double scale = decimals == 2 ? 100.0 : 1.0;
  const double scaled = std::round(value * scale);
  // Every digit of the rounded magnitude; a double has at most 309 of them.
  char buffer[400];
  const int length = std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(scaled));
  if (length <= 0 || length >= static_cast<int>(sizeof buffer)) return {};
  std::string digits(buffer, static_cast<std::size_t>(length));
  if (digits.size() <= static_cast<std::size_t>(decimals)) digits.insert(0, decimals + 1 - digits.size(), '0');

  const std::string whole = digits.substr(0, digits.size() - decimals);
  std::string text = scaled < 0 ? "-" : "";
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text += format.groupSeparator;
    text += whole[i];
  }
  if (decimals > 0) text += format.decimalMark + digits.substr(digits.size() - decimals);
  return text;
}

}  // namespace

std::string FormatFilesize(double nValue, const NumberFormat& format) {
  if (!std::isfinite(nValue)) return {};
  constexpr double kK = 1024.0;
  constexpr double kMB = 1048576.0;
  constexpr double kGB = 1073741824.0;
  if (nValue <= kK) return FormatNumber(nValue, 0, format) + " B";
  if (nValue < kMB) return FormatNumber(nValue / kK, 0, format) + " K";
  if (nValue < kGB) return FormatNumber(nValue / kMB, 2, format) + " MB";
  return FormatNumber(nValue / kGB, 2, format) + " GB";
}

}  // namespace tarvelo::monitor
