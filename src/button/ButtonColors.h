#pragma once

#include "raster/PixelSurface.h"

namespace tarvelo::button {

using raster::Color;

// A colour from three channel values: a channel above 255 counts as 255 and
// one below 0 as 0.
Color ChannelColor(int red, int green, int blue);
// The same from running 32-bit float channels, each rounded to the nearest
// integer (halves to even) first.
Color ChannelColor(float red, float green, float blue);

// Shifts a colour: red and green by amount; blue by amount too, or, when
// proportional, by blue * amount / 192 (truncated toward zero). Each channel is
// clamped to 0..255.
Color ShadeColor(Color color, int amount, bool proportional = false);

// Each channel plus its change, clamped to 0 and to the ceiling's channel.
Color TintColor(Color color, int redChange, int greenChange, int blueChange, Color ceiling);

// The system colours the default colour scheme derives from.
struct SystemColors {
  Color buttonFace = 0;
  Color buttonText = 0;
  Color buttonShadow = 0;
  Color light3d = 0;
  Color darkShadow3d = 0;
  Color buttonHighlight = 0;
};

// The colours of the classic beige desktop theme, for hosts without a palette
// of their own.
SystemColors StandardSystemColors();

}  // namespace tarvelo::button
