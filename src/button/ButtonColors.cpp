#include "button/ButtonColors.h"

#include <algorithm>

#include "common/ModulePublicFunction.h"

namespace tarvelo::button {

namespace {

int Clamp255(int value) { return std::clamp(value, 0, 255); }

int RoundChannel(float value) {
  // NaN cannot reach here from the painters; treat it as 0 all the same.
  if (!(value > 0.0f)) return 0;
  if (value >= 255.0f) return 255;
  return static_cast<int>(ModulePublicFunction::RoundHalfEven(value));
}

}  // namespace

Color ChannelColor(int red, int green, int blue) {
  return raster::MakeColor(Clamp255(red), Clamp255(green), Clamp255(blue));
}

Color ChannelColor(float red, float green, float blue) {
  return raster::MakeColor(RoundChannel(red), RoundChannel(green), RoundChannel(blue));
}

Color ShadeColor(Color color, int amount, bool proportional) {
  const int blue = raster::Blue(color);
  const int blueShift = proportional ? blue * amount / 192 : amount;
  return ChannelColor(raster::Red(color) + amount, raster::Green(color) + amount, blue + blueShift);
}

Color TintColor(Color color, int redChange, int greenChange, int blueChange, Color ceiling) {
  const auto tint = [](int channel, int change, int top) { return std::clamp(channel + change, 0, top); };
  return raster::MakeColor(tint(raster::Red(color), redChange, raster::Red(ceiling)),
                           tint(raster::Green(color), greenChange, raster::Green(ceiling)),
                           tint(raster::Blue(color), blueChange, raster::Blue(ceiling)));
}

SystemColors StandardSystemColors() {
  return {
      .buttonFace = raster::MakeColor(236, 233, 216),
      .buttonText = raster::MakeColor(0, 0, 0),
      .buttonShadow = raster::MakeColor(172, 168, 153),
      .light3d = raster::MakeColor(241, 239, 226),
      .darkShadow3d = raster::MakeColor(113, 111, 100),
      .buttonHighlight = raster::MakeColor(255, 255, 255),
  };
}

}  // namespace tarvelo::button
