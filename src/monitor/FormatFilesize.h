#pragma once

#include <string>

namespace tarvelo::monitor {

// The digit grouping and decimal mark of the user's locale.
struct NumberFormat {
  std::string groupSeparator = ",";
  std::string decimalMark = ".";
};

// A byte count as text with a unit: up to 1024 in bytes ("1,024 B"), below
// 1 MiB in whole K ("2 K"), below 1 GiB in MB with two decimals ("1.50 MB"),
// from there in GB ("5.00 GB"). Exactly 1 MiB is "1.00 MB". Halves round away
// from zero. A value that is not a finite number gives "".
std::string FormatFilesize(double nValue, const NumberFormat& format = {});

}  // namespace tarvelo::monitor
