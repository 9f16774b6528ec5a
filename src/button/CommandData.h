#pragma once

#include <cstdint>
#include <string>

#include "button/ButtonColors.h"
#include "common/PropertyFont.h"

namespace tarvelo::button {

// A rectangle in client pixels; right and bottom excluded.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Rect&) const = default;
};

// A font as the control keeps and saves it.
using ButtonFont = PropertyFont;

// The looks of ButtonState. 1 is never used.
inline constexpr std::uint8_t kStateUp = 0;
inline constexpr std::uint8_t kStateDown = 2;

// Everything a Command button is: its properties, the colours derived from
// them, and its interaction state. The model owns it; the painter reads it
// and writes only ButtonState, PaintedCaption and the caption rectangle tops.
// Before any properties exist every field is zero, as on creation.
struct CommandData {
  // Properties.
  Color backColor = 0;
  Color foreColor = 0;
  std::int16_t percent = 0;
  Color midColor = 0;
  Color endColor = 0;
  Color mouseMoveMidColor = 0;
  Color mouseMoveEndColor = 0;
  Color mouseDownMidColor = 0;
  Color mouseDownEndColor = 0;
  Color officeXpFillColor = 0;
  Color officeXpFrameColor = 0;
  Color officeXpMousemoveFillColor = 0;
  Color officeXpMousemoveFrameColor = 0;
  bool enabled = false;
  ButtonFont font;
  std::int32_t storedHWnd = 0;  // kept only for the saved state
  std::int32_t buttonType = 0;
  std::string caption;
  std::int32_t colorScheme = 0;
  std::int32_t xpType = 0;
  Color rectColor = 0;
  bool showFocusRect = false;

  // Derived colours (ApplyColorScheme).
  Color faceColor = 0;
  Color lightColor = 0;
  Color highlightColor = 0;
  Color shadowColor = 0;
  Color darkShadowColor = 0;
  Color textColor = 0;

  // Interaction state.
  std::uint8_t buttonState = kStateUp;
  bool hover = false;
  bool hasFocus = false;
  std::uint8_t lastButton = 1;
  std::uint8_t lastKey = 0;
  std::string paintedCaption;
  Rect textRect;
  Rect pressedTextRect{2, 2, 0, 0};
  Rect focusRect;

  // The host's ambient "default button" value.
  bool displayAsDefault = false;
};

// Sets the six derived colours from the colour scheme, and the overwrites of
// schemes 3 and of ButtonType 4 under the default scheme.
void ApplyColorScheme(CommandData& data, const SystemColors& system);

}  // namespace tarvelo::button
