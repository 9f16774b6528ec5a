#pragma once

#include <string>

namespace tarvelo {

// A font as a control keeps and saves it.
struct PropertyFont {
  std::string name;
  double size = 0;  // points
  bool bold = false;
  bool italic = false;
  bool operator==(const PropertyFont&) const = default;
};

}  // namespace tarvelo
