#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "button/CommandModel.h"

namespace tarvelo::button {

inline void PrintTo(const Rect& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

}  // namespace tarvelo::button

namespace tarvelo::button::testing {

// Text with fixed metrics: every byte of the raw caption is charWidth wide,
// every caption lineHeight high. Draws nothing; records each caption drawn.
class FakeCaptionText : public CaptionText {
 public:
  struct Drawn {
    std::string text;
    Rect rect;
    Color color;
    TextForm form;
  };

  float charWidth = 7;
  float lineHeight = 12;
  std::vector<Drawn> drawn;

  float TextWidth(std::string_view text) override { return charWidth * static_cast<float>(text.size()); }
  float TextHeight(std::string_view) override { return lineHeight; }
  void DrawText(PixelSurface&, std::string_view text, const Rect& rect, Color color, TextForm form) override {
    drawn.push_back({std::string(text), rect, color, form});
  }
};

// A window that records what the model asks of it.
class FakeSite : public CommandSite {
 public:
  FakeCaptionText text;
  int imageChanges = 0;
  int refreshes = 0;
  Region shape;
  bool windowEnabled = true;
  ButtonFont font;
  std::string accessKey;
  bool hoverTimer = false;
  Point cursor{-100, -100};
  std::vector<FocusMove> focusMoves;
  std::vector<std::string> changed;

  CaptionText& Text() override { return text; }
  void ImageChanged() override { ++imageChanges; }
  void RefreshNow() override { ++refreshes; }
  void SetWindowShape(const Region& region) override { shape = region; }
  void SetWindowEnabled(bool enabled) override { windowEnabled = enabled; }
  void SetWindowFont(const ButtonFont& f) override { font = f; }
  void SetAccessKey(std::string_view key) override { accessKey = std::string(key); }
  void SetHoverTimer(bool enabled) override { hoverTimer = enabled; }
  Point CursorPosition() override { return cursor; }
  void MoveFocus(FocusMove move) override { focusMoves.push_back(move); }
  std::int32_t WindowHandle() override { return 4242; }
  void PropertyChanged(std::string_view name) override { changed.emplace_back(name); }
};

// Records the events raised, as "Name arg arg ...".
class FakeEvents : public CommandEvents {
 public:
  std::vector<std::string> raised;
  // Runs inside KeyDown and may change its arguments.
  std::function<void(std::int16_t&, std::int16_t&)> onKeyDown;

  void Click() override { raised.push_back("Click"); }
  void KeyDown(std::int16_t& keyCode, std::int16_t& shift) override {
    if (onKeyDown) onKeyDown(keyCode, shift);
    raised.push_back("KeyDown " + std::to_string(keyCode));
  }
  void KeyPress(std::int16_t& keyAscii) override { raised.push_back("KeyPress " + std::to_string(keyAscii)); }
  void KeyUp(std::int16_t& keyCode, std::int16_t&) override { raised.push_back("KeyUp " + std::to_string(keyCode)); }
  void MouseDown(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseDown", b, s, x, y); }
  void MouseMove(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseMove", b, s, x, y); }
  void MouseUp(std::int16_t& b, std::int16_t& s, float& x, float& y) override { Mouse("MouseUp", b, s, x, y); }
  void MouseOut() override { raised.push_back("MouseOut"); }

 private:
  void Mouse(const char* name, std::int16_t b, std::int16_t s, float x, float y) {
    raised.push_back(std::string(name) + " " + std::to_string(b) + " " + std::to_string(s) + " " +
                     std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
  }
};

// A model wired to the fakes, with the classic beige system colours.
struct Button {
  FakeSite site;
  FakeEvents events;
  CommandModel model{site, events, StandardSystemColors()};

  // A new instance of the given size, as the program's buttons look
  // (ButtonType 1, XpType 2, ColorScheme 1) unless changed afterwards.
  explicit Button(int width = 97, int height = 25, int xpType = 2) {
    model.SetAmbientFont({"Verdana", 7.5, false, false});
    model.InitProperties("Command1");
    model.SetXpType(xpType);
    model.Resize(width, height);
    site.changed.clear();
  }
  Color Pixel(int x, int y) const { return model.Surface().Pixel(x, y); }
};

}  // namespace tarvelo::button::testing
