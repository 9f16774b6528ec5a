#pragma once

#include <cstdint>
#include <string_view>

#include "button/CommandData.h"
#include "raster/PixelSurface.h"

namespace tarvelo::button {

using raster::PixelSurface;

enum class TextForm {
  kSingleLine,  // one line, centred horizontally and vertically, tabs expanded
  kWrapped,     // broken at word boundaries, each line centred, from the top
};

// Text is the one thing the painter asks of its host: the host knows the
// button's font and how to render glyphs into the surface.
class CaptionText {
 public:
  virtual ~CaptionText() = default;
  // Extent of text in the button's font, in pixels, measured on the raw
  // text (ampersands count as characters).
  virtual float TextWidth(std::string_view text) = 0;
  virtual float TextHeight(std::string_view text) = 0;
  // Draws text in colour, transparently and clipped to rect. "&" underlines
  // the next character and "&&" shows one ampersand.
  virtual void DrawText(PixelSurface& surface, std::string_view text, const Rect& rect, Color color,
                        TextForm form) = 0;
};

// The outer frame: lines two pixels in from each corner, one corner dot
// diagonally inside each corner.
void DrawRoundFrame(PixelSurface& surface, Color line, Color corner);

// A vertical gradient from (red, green, blue) toward white, one row from
// x = 1 to W - 2 per step from first to last (step 1 or -1), reaching white
// after H - 5 rows. Buttons of 5 pixels or less get no fade.
void DrawWhiteFade(PixelSurface& surface, int red, int green, int blue, int first, int last, int step);

// The dotted focus rectangle: an XOR pattern brush as the system draws it.
// Pixels with an even x + y are inverted; the others are XORed with the text
// colour (unchanged when it is black).
void DrawFocusFrame(PixelSurface& surface, const Rect& focusRect, Color textColor);

// A two-pixel band with rounded corners just inside the outer frame.
void DrawHoverRing(PixelSurface& surface, Color color);

struct FocusRingColors {
  Color c1, c2, c3, c4, c5;
};
FocusRingColors BlueFocusRing();
FocusRingColors GreenFocusRing();
// The focus ring; its row-2 line is wider for ButtonType 2.
void DrawFocusRing(PixelSurface& surface, const FocusRingColors& colors, int buttonType);

// The classic three-dimensional bevels of ButtonType 2, in the derived colours.
void DrawRaisedBevel(PixelSurface& surface, const CommandData& data);
void DrawSunkenBevel(PixelSurface& surface, const CommandData& data);

// One face row: x = 1 to W - 2.
void DrawRow(PixelSurface& surface, int y, Color color);

// Repaints the whole button for state (kStateUp or kStateDown) into the
// surface. Does nothing unless force is set or the caption or the state
// changed, and nothing for a surface without height. Returns whether it
// painted.
bool DrawButton(CommandData& data, std::uint8_t state, bool force, PixelSurface& surface, CaptionText& text);

// The caption and focus rectangles of a button of width x height pixels.
void FitRectsToSize(CommandData& data, int width, int height);

// The button as DrawButton paints it in its current state, but on a surface
// of width x height pixels: the same recipe at a screen's device pixels
// (twice the size at a device pixel ratio of 2, text measured and drawn in
// the font at twice the size by `text`). data itself is left as it is.
void DrawButtonAtSize(const CommandData& data, int width, int height, PixelSurface& surface, CaptionText& text);

// Rounds to the nearest integer, halves to even; far out-of-range values
// saturate.
int RoundInt(double value);

}  // namespace tarvelo::button
