#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// What a window holds, where and how it looks, once for every frontend: each
// builds its own controls from these descriptions.
namespace tarvelo::form {

enum class Kind {
  Label,      // text; sized to its text unless it has a size
  CheckBox,
  ComboList,  // a drop-down list to choose from
  ListView,   // rows under column headers
  Command,    // the program's push button
  Picture,    // artwork the frontend paints into the rectangle
  Shape,      // a rectangle with a border colour and a fill
  Monitor,    // the system diagram
  Slider,
};

struct Font {
  const char* face;
  double points;
  bool bold = false;
  friend constexpr bool operator==(const Font& a, const Font& b) {
    return std::string_view(a.face) == b.face && a.points == b.points && a.bold == b.bold;
  }
};

inline constexpr Font kWindowFont{"Verdana", 7.5};
inline constexpr Font kHeadingFont{"Verdana", 9, true};
inline constexpr Font kCaptionFont{"Verdana", 7.5, true};

struct Rgb {
  std::uint8_t r, g, b;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

struct Column {
  const char* caption;
  int width;  // twips
};

// One control. Positions and sizes are in twips, 15 to the pixel at 96 dpi.
struct Control {
  const char* name;
  Kind kind;
  const char* text = "";  // UTF-8; a label's or button's caption
  int left = 0;
  int top = 0;
  int width = 0;   // a label of width 0 is as large as its text
  int height = 0;
  std::optional<Font> font{};   // none: the window's font
  std::optional<Rgb> color{};   // the text's colour; a shape's border
  std::optional<Rgb> fill{};    // a shape's inside
  bool wrap = true;             // a label of fixed size breaks its lines
  std::span<const Column> columns{};
  bool hidden = false;          // shown only when the page has something to say
};

struct Form {
  const char* name;
  const char* caption;  // a dialog's title; empty for a page
  int width;            // twips
  int height;
  std::span<const Control> controls;

  // The control of that name; asking for one the form does not have is a
  // programming error and aborts.
  const Control& operator[](std::string_view controlName) const;
};

}  // namespace tarvelo::form
