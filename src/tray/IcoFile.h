#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvelo {

// One square picture of an icon file: size × size pixels, rows from the top,
// each 0xAARRGGBB with straight (not premultiplied) alpha.
struct IcoImage {
  int size = 0;
  std::vector<std::uint32_t> argb;
};

// The bytes of a Windows icon file holding the pictures, each as a 32-bit
// bitmap with its transparency mask, the form every icon reader knows. Sizes
// must be 1 to 256 and each picture must hold size × size pixels; otherwise
// the result is "".
std::string EncodeIco(const std::vector<IcoImage>& images);

}  // namespace tarvelo
