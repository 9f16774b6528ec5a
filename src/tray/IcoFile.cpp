#include "tray/IcoFile.h"

namespace tarvelo {

namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// The bitmap of one picture: header, colour rows from the bottom, then the
// AND mask (1 = transparent), its rows padded to 32 bits.
std::string Bitmap(const IcoImage& image) {
  const auto size = static_cast<std::uint32_t>(image.size);
  const std::uint32_t maskStride = (size + 31) / 32 * 4;
  std::string out;
  Put32(out, 40);            // header size
  Put32(out, size);          // width
  Put32(out, size * 2);      // height of colour and mask together
  Put16(out, 1);             // planes
  Put16(out, 32);            // bits per pixel
  Put32(out, 0);             // no compression
  Put32(out, size * size * 4 + maskStride * size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (std::uint32_t row = size; row-- > 0;) {
    for (std::uint32_t x = 0; x < size; ++x) {
      const std::uint32_t p = image.argb[row * size + x];
      out += static_cast<char>(p & 0xFF);          // blue
      out += static_cast<char>((p >> 8) & 0xFF);   // green
      out += static_cast<char>((p >> 16) & 0xFF);  // red
      out += static_cast<char>(p >> 24);           // alpha
    }
  }
  for (std::uint32_t row = size; row-- > 0;) {
    std::string mask(maskStride, '\0');
    for (std::uint32_t x = 0; x < size; ++x) {
      if ((image.argb[row * size + x] >> 24) == 0) mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
    }
    out += mask;
  }
  return out;
}

}  // namespace

std::string EncodeIco(const std::vector<IcoImage>& images) {
  if (images.empty() || images.size() > 0xFFFF) return "";
  for (const IcoImage& image : images) {
    if (image.size < 1 || image.size > 256 ||
        image.argb.size() != static_cast<std::size_t>(image.size) * static_cast<std::size_t>(image.size)) {
      return "";
    }
  }
  std::string out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // an icon
  Put16(out, static_cast<std::uint32_t>(images.size()));
  std::string data;
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const IcoImage& image : images) {
    const std::string bitmap = Bitmap(image);
    const auto side = static_cast<std::uint32_t>(image.size == 256 ? 0 : image.size);
    out += static_cast<char>(side);  // width
    out += static_cast<char>(side);  // height
    out += '\0';                     // no palette
    out += '\0';                     // reserved
    Put16(out, 1);                   // planes
    Put16(out, 32);                  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bitmap.size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bitmap.size());
    data += bitmap;
  }
  return out + data;
}

}  // namespace tarvelo
