#include "button/CommandModel.h"

#include "common/ModulePublicFunction.h"

#include <algorithm>
#include <limits>

namespace tarvelo::button {

using raster::MakeColor;

namespace {

// Defaults of the gradient and flat colours.
constexpr Color kDefaultMidColor = MakeColor(116, 200, 115);
constexpr Color kDefaultEndColor = MakeColor(215, 246, 215);
constexpr Color kDefaultMouseMoveMidColor = MakeColor(53, 163, 51);
constexpr Color kDefaultMouseMoveEndColor = MakeColor(245, 252, 244);
constexpr Color kDefaultMouseDownMidColor = MakeColor(132, 208, 133);
constexpr Color kDefaultMouseDownEndColor = 0;
constexpr Color kDefaultOfficeXpFillColor = MakeColor(222, 222, 160);
constexpr Color kDefaultOfficeXpFrameColor = MakeColor(188, 188, 66);
constexpr Color kDefaultOfficeXpMousemoveFillColor = MakeColor(220, 220, 186);
constexpr Color kDefaultOfficeXpMousemoveFrameColor = MakeColor(127, 128, 1);
constexpr Color kDefaultRectColor = MakeColor(250, 195, 88);
constexpr int kDefaultPercent = 16;
constexpr const char* kDefaultCaption = "wwbutton";

constexpr std::int16_t kKeySpace = 32;

std::string LowerCharacterAt(std::string_view text, std::size_t i) {
  std::string c(text.substr(i, ModulePublicFunction::CharacterLength(text, i)));
  if (c.size() == 1 && c[0] >= 'A' && c[0] <= 'Z') c[0] = static_cast<char>(c[0] - 'A' + 'a');
  return c;
}

// Saved values the store cannot take as the property's type, or out of its
// range, read as the property's read default.
template <typename Integer>
Integer ReadInteger(const PropertyBag& bag, std::string_view key, Integer defaultValue) {
  return static_cast<Integer>(bag.ReadInteger(key, defaultValue, std::numeric_limits<Integer>::min(),
                                              std::numeric_limits<Integer>::max())
                                  .value_or(defaultValue));
}

Color ReadColor(const PropertyBag& bag, std::string_view key, Color defaultValue) {
  return bag.ReadColor(key, defaultValue).value_or(defaultValue);
}

bool ReadBool(const PropertyBag& bag, std::string_view key, bool defaultValue) {
  return bag.ReadBool(key, defaultValue).value_or(defaultValue);
}

std::string ReadString(const PropertyBag& bag, std::string_view key, std::string_view defaultValue) {
  return bag.ReadString(key, defaultValue).value_or(std::string(defaultValue));
}

ButtonFont ReadFont(const PropertyBag& bag, std::string_view key, const ButtonFont& defaultValue) {
  return bag.ReadFont(key, defaultValue).value_or(defaultValue);
}

PropertyBag::Value Number(std::int64_t value) { return value; }

}  // namespace

std::string AccessKeyOf(std::string_view caption) {
  const std::size_t first = caption.find('&');
  if (first == std::string_view::npos || first + 1 >= caption.size()) return {};
  if (caption[first + 1] != '&') return LowerCharacterAt(caption, first + 1);
  // A doubled ampersand shows as one: look at the next one only.
  const std::size_t next = caption.find('&', first + 2);
  if (next == std::string_view::npos || next + 1 >= caption.size() || caption[next + 1] == '&') return {};
  return LowerCharacterAt(caption, next + 1);
}

CommandModel::CommandModel(CommandSite& site, CommandEvents& events, const SystemColors& system)
    : site_(site), events_(events), system_(system) {
  data_.lastButton = 1;
  data_.pressedTextRect.left = 2;
  data_.pressedTextRect.top = 2;
  ApplyColorScheme();
}

// --- Host values.

void CommandModel::SetDisplayAsDefault(bool isDefault) {
  data_.displayAsDefault = isDefault;
  AmbientChanged();
}

void CommandModel::AmbientChanged() { Repaint(); }

// --- Lifecycle.

void CommandModel::InitProperties(std::string_view instanceName) {
  data_.backColor = system_.buttonFace;
  data_.foreColor = system_.buttonText;
  data_.enabled = true;
  data_.font = ambientFont_;
  site_.SetWindowFont(data_.font);
  data_.storedHWnd = 0;
  data_.buttonType = 1;
  data_.caption = std::string(instanceName);
  data_.colorScheme = 1;
  data_.xpType = 1;
  data_.showFocusRect = true;
  data_.rectColor = kDefaultRectColor;
  data_.buttonState = kStateUp;
  data_.percent = kDefaultPercent;
  data_.midColor = kDefaultMidColor;
  data_.endColor = kDefaultEndColor;
  data_.mouseMoveMidColor = kDefaultMouseMoveMidColor;
  data_.mouseMoveEndColor = kDefaultMouseMoveEndColor;
  data_.mouseDownMidColor = kDefaultMouseDownMidColor;
  data_.mouseDownEndColor = kDefaultMouseDownEndColor;
  data_.officeXpFillColor = kDefaultOfficeXpFillColor;
  data_.officeXpFrameColor = kDefaultOfficeXpFrameColor;
  data_.officeXpMousemoveFillColor = kDefaultOfficeXpMousemoveFillColor;
  data_.officeXpMousemoveFrameColor = kDefaultOfficeXpMousemoveFrameColor;
}

void CommandModel::ReadProperties(const PropertyBag& bag) {
  data_.backColor = ReadColor(bag, "BackColor", system_.buttonFace);
  data_.foreColor = ReadColor(bag, "ForeColor", system_.buttonText);
  data_.enabled = ReadBool(bag, "Enabled", true);
  data_.font = ReadFont(bag, "Font", ambientFont_);
  data_.storedHWnd = ReadInteger<std::int32_t>(bag, "hWnd", 0);
  data_.buttonType = ReadInteger<std::int32_t>(bag, "ButtonType", 1);
  data_.xpType = ReadInteger<std::int32_t>(bag, "XpType", 1);
  data_.caption = ReadString(bag, "Caption", kDefaultCaption);
  data_.colorScheme = ReadInteger<std::int32_t>(bag, "ColorScheme", 1);
  data_.showFocusRect = ReadBool(bag, "ShowFocusRect", true);

  site_.SetWindowEnabled(data_.enabled);
  site_.SetWindowFont(data_.font);
  ApplyColorScheme();
  UpdateAccessKey();

  // Read after ApplyColorScheme: the saved colours win over its overwrites.
  data_.rectColor = ReadColor(bag, "rectcolor", kDefaultRectColor);
  data_.percent = ReadInteger<std::int16_t>(bag, "Percent", kDefaultPercent);
  data_.midColor = ReadColor(bag, "MidColor", kDefaultMidColor);
  data_.endColor = ReadColor(bag, "EndColor", kDefaultEndColor);
  data_.mouseMoveEndColor = ReadColor(bag, "MouseMoveEndColor", kDefaultMouseMoveEndColor);
  data_.mouseMoveMidColor = ReadColor(bag, "MouseMoveMidColor", kDefaultMouseMoveMidColor);
  data_.mouseDownEndColor = ReadColor(bag, "MouseDownEndColor", kDefaultMouseDownEndColor);
  data_.mouseDownMidColor = ReadColor(bag, "MouseDownMidColor", kDefaultMouseDownMidColor);
  data_.officeXpFillColor = ReadColor(bag, "OfficeXpFillColor", kDefaultOfficeXpFillColor);
  data_.officeXpFrameColor = ReadColor(bag, "OfficeXpFrameColor", kDefaultOfficeXpFrameColor);
  data_.officeXpMousemoveFillColor =
      ReadColor(bag, "OfficeXpMousemoveFillColor", kDefaultOfficeXpMousemoveFillColor);
  data_.officeXpMousemoveFrameColor =
      ReadColor(bag, "OfficeXpMousemoveFrameColor", kDefaultOfficeXpMousemoveFrameColor);

  data_.buttonState = kStateUp;
  DrawButton(kStateUp, true);
}

void CommandModel::WriteProperties(PropertyBag& bag) const {
  const auto color = [&bag](std::string_view key, Color value, Color defaultValue) {
    bag.WriteProperty(key, Number(value), Number(defaultValue));
  };
  color("BackColor", data_.backColor, system_.buttonFace);
  color("ForeColor", data_.foreColor, system_.buttonText);
  bag.WriteProperty("Enabled", data_.enabled, true);
  bag.WriteProperty("Font", data_.font, ambientFont_);
  bag.WriteProperty("hWnd", Number(data_.storedHWnd), Number(0));
  bag.WriteProperty("ButtonType", Number(data_.buttonType), Number(1));
  bag.WriteProperty("XpType", Number(data_.xpType), Number(1));
  bag.WriteProperty("Caption", data_.caption, std::string(kDefaultCaption));
  bag.WriteProperty("ColorScheme", Number(data_.colorScheme), Number(1));
  bag.WriteProperty("ShowFocusRect", data_.showFocusRect, true);
  color("rectcolor", data_.rectColor, kDefaultRectColor);
  bag.WriteProperty("Percent", Number(data_.percent), Number(kDefaultPercent));
  color("MidColor", data_.midColor, kDefaultMidColor);
  color("EndColor", data_.endColor, kDefaultEndColor);
  color("MouseMoveMidColor", data_.mouseMoveMidColor, kDefaultMouseMoveMidColor);
  color("MouseMoveEndColor", data_.mouseMoveEndColor, kDefaultMouseMoveEndColor);
  color("MouseDownMidColor", data_.mouseDownMidColor, kDefaultMouseDownMidColor);
  color("MouseDownEndColor", data_.mouseDownEndColor, kDefaultMouseDownEndColor);
  color("OfficeXpFillColor", data_.officeXpFillColor, kDefaultOfficeXpFillColor);
  color("OfficeXpFrameColor", data_.officeXpFrameColor, kDefaultOfficeXpFrameColor);
  color("OfficeXpMousemoveFillColor", data_.officeXpMousemoveFillColor, kDefaultOfficeXpMousemoveFillColor);
  color("OfficeXpMousemoveFrameColor", data_.officeXpMousemoveFrameColor, kDefaultOfficeXpMousemoveFrameColor);
}

// --- Properties.

void CommandModel::SetBackColor(Color value) {
  data_.backColor = value;
  ApplyColorScheme();
  Repaint();
  Report("BackColor");
}

void CommandModel::SetForeColor(Color value) {
  data_.foreColor = value;
  ApplyColorScheme();
  Repaint();
  Report("ForeColor");
}

SetResult CommandModel::SetPercent(int value) {
  if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
    return PropertyError::kInvalidPropertyValue;
  }
  // Stored first: an invalid value stays and shows at the next repaint.
  data_.percent = static_cast<std::int16_t>(value);
  if (value < 0 || value > 100) return PropertyError::kInvalidPropertyValue;
  Repaint();
  Report("Percent");
  return std::nullopt;
}

void CommandModel::SetColorProperty(Color CommandData::*member, Color value, std::string_view name) {
  data_.*member = value;
  Repaint();
  Report(name);
}

void CommandModel::SetMidColor(Color value) { SetColorProperty(&CommandData::midColor, value, "MidColor"); }
void CommandModel::SetEndColor(Color value) { SetColorProperty(&CommandData::endColor, value, "EndColor"); }
void CommandModel::SetMouseMoveMidColor(Color value) {
  SetColorProperty(&CommandData::mouseMoveMidColor, value, "MouseMoveMidColor");
}
void CommandModel::SetMouseMoveEndColor(Color value) {
  SetColorProperty(&CommandData::mouseMoveEndColor, value, "MouseMoveEndColor");
}
void CommandModel::SetMouseDownMidColor(Color value) {
  SetColorProperty(&CommandData::mouseDownMidColor, value, "MouseDownMidColor");
}
void CommandModel::SetMouseDownEndColor(Color value) {
  SetColorProperty(&CommandData::mouseDownEndColor, value, "MouseDownEndColor");
}
void CommandModel::SetOfficeXpFillColor(Color value) {
  SetColorProperty(&CommandData::officeXpFillColor, value, "OfficeXpFillColor");
}
void CommandModel::SetOfficeXpFrameColor(Color value) {
  SetColorProperty(&CommandData::officeXpFrameColor, value, "OfficeXpFrameColor");
}
void CommandModel::SetOfficeXpMousemoveFillColor(Color value) {
  SetColorProperty(&CommandData::officeXpMousemoveFillColor, value, "OfficeXpMousemoveFillColor");
}
void CommandModel::SetOfficeXpMousemoveFrameColor(Color value) {
  SetColorProperty(&CommandData::officeXpMousemoveFrameColor, value, "OfficeXpMousemoveFrameColor");
}

void CommandModel::SetEnabled(bool value) {
  data_.enabled = value;
  site_.SetWindowEnabled(value);
  ResizeHandling();
  Report("Enabled");
}

void CommandModel::SetFont(const ButtonFont& value) {
  data_.font = value;
  site_.SetWindowFont(value);
  Repaint();
  Report("Font");
}

SetResult CommandModel::SetHWnd(std::int32_t) {
  return userMode_ ? PropertyError::kNotSupportedAtRunTime : PropertyError::kNotPermitted;
}

void CommandModel::SetButtonType(std::int32_t value) {
  data_.buttonType = value;
  ApplyColorScheme();
  if (value == 4) {
    // The two-tone style comes with its blue set.
    data_.percent = 53;
    data_.midColor = MakeColor(124, 171, 255);
    data_.endColor = MakeColor(191, 211, 255);
    data_.mouseMoveMidColor = MakeColor(157, 203, 255);
    data_.mouseMoveEndColor = MakeColor(209, 231, 255);
    data_.mouseDownMidColor = MakeColor(100, 153, 255);
    data_.mouseDownEndColor = MakeColor(191, 211, 255);
  }
  ResizeHandling();
  Report("ButtonType");
}

void CommandModel::SetCaption(std::string_view value) {
  data_.caption = std::string(value);
  UpdateAccessKey();
  Repaint();
  Report("Caption");
}

void CommandModel::SetColorScheme(std::int32_t value) {
  data_.colorScheme = value;
  ApplyColorScheme();
  Repaint();
  Report("ColorScheme");
}

void CommandModel::SetXpType(std::int32_t value) {
  data_.xpType = value;
  Repaint();
  Report("XpType");
}

void CommandModel::SetRectColor(Color value) {
  data_.rectColor = value;
  Report("rectcolor");
}

void CommandModel::SetShowFocusRect(bool value) {
  data_.showFocusRect = value;
  Repaint();
  Report("ShowFocusRect");
}

// --- Input.

void CommandModel::Press(std::int16_t button, std::int16_t shift, float x, float y) {
  data_.lastButton = static_cast<std::uint8_t>(button);
  if (button != 2) data_.buttonState = kStateDown;
  DrawButton(data_.buttonState, true);
  events_.MouseDown(button, shift, x, y);
}

void CommandModel::Release(std::int16_t button, std::int16_t shift, float x, float y) {
  if (button != 2) data_.buttonState = kStateUp;
  DrawButton(data_.buttonState, true);
  events_.MouseUp(button, shift, x, y);
}

void CommandModel::ClickRow() {
  if (data_.lastButton != 1) return;
  data_.buttonState = kStateUp;
  DrawButton(kStateUp, true);
  site_.RefreshNow();
  events_.Click();
}

void CommandModel::MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!data_.enabled) return;
  Press(button, shift, x, y);
}

void CommandModel::MouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!data_.enabled) return;
  Release(button, shift, x, y);
}

void CommandModel::Click() {
  if (!data_.enabled) return;
  ClickRow();
}

void CommandModel::AccessKeyPress() {
  if (!data_.enabled) return;
  // A keyboard activation, whatever mouse button was pressed last.
  data_.lastButton = 1;
  ClickRow();
}

void CommandModel::DoubleClick() {
  if (!data_.enabled || data_.lastButton != 1) return;
  Press(1, 1, 1, 1);
}

void CommandModel::MouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
  if (!data_.enabled || (button != 0 && button != 1)) return;
  SetTimer1(true);
  if (x < 0 || y < 0 || x > static_cast<float>(width_) || y > static_cast<float>(height_)) return;
  events_.MouseMove(button, shift, x, y);
  if (button == 1) {
    // Dragging with the left button held: repaint only when the look changes.
    DrawButton(kStateDown, false);
  } else if (!data_.hover) {
    data_.hover = true;
    DrawButton(kStateUp, true);
  }
}

void CommandModel::Timer1Tick() {
  if (!timer1_) return;
  const Point cursor = site_.CursorPosition();
  if (cursor.x < 0 || cursor.y < 0 || cursor.x > width_ || cursor.y > height_) {
    SetTimer1(false);
    events_.MouseOut();
    data_.hover = false;
    DrawButton(kStateUp, true);
  }
}

void CommandModel::KeyDown(std::int16_t keyCode, std::int16_t shift) {
  if (!data_.enabled) return;
  events_.KeyDown(keyCode, shift);
  // The handler may have changed or cleared the key; a code beyond a byte
  // ends the handling here.
  if (keyCode < 0 || keyCode > 255) return;
  data_.lastKey = static_cast<std::uint8_t>(keyCode);
  switch (keyCode) {
    case kKeySpace:
      Press(1, 1, 1, 1);
      break;
    case 39:  // right
    case 40:  // down
      site_.MoveFocus(FocusMove::kNext);
      break;
    case 37:  // left
    case 38:  // up
      site_.MoveFocus(FocusMove::kPrevious);
      break;
    default:
      break;
  }
}

void CommandModel::KeyPress(std::int16_t keyAscii) {
  if (!data_.enabled) return;
  events_.KeyPress(keyAscii);
}

void CommandModel::KeyUp(std::int16_t keyCode, std::int16_t shift) {
  if (!data_.enabled) return;
  events_.KeyUp(keyCode, shift);
  if (data_.lastKey == kKeySpace && keyCode == kKeySpace) {
    Release(1, 1, 1, 1);
    data_.lastButton = 1;
    ClickRow();
  }
}

void CommandModel::GotFocus() {
  data_.hasFocus = true;
  Repaint();
}

void CommandModel::LostFocus() {
  data_.hasFocus = false;
  Repaint();
}

void CommandModel::Resize(double width, double height) {
  clientWidth_ = width;
  clientHeight_ = height;
  ResizeHandling();
}

void CommandModel::ResizeHandling() {
  height_ = std::max(0, RoundInt(clientHeight_));
  width_ = std::max(0, RoundInt(clientWidth_));
  if (surface_.Width() != width_ || surface_.Height() != height_) surface_.Resize(width_, height_, data_.faceColor);
  FitRectsToSize(data_, width_, height_);
  region_ = BuildRegion(data_.buttonType, width_, height_);
  site_.SetWindowShape(region_);
  DrawButton(data_.buttonState, true);
}

void CommandModel::SetTimer1(bool enabled) {
  if (timer1_ == enabled) return;
  timer1_ = enabled;
  site_.SetHoverTimer(enabled);
}

// --- Painting.

void CommandModel::ApplyColorScheme() { button::ApplyColorScheme(data_, system_); }

void CommandModel::UpdateAccessKey() {
  accessKey_ = AccessKeyOf(data_.caption);
  site_.SetAccessKey(accessKey_);
}

bool CommandModel::DrawButton(std::uint8_t state, bool force) {
  const bool painted = button::DrawButton(data_, state, force, surface_, site_.Text());
  if (painted) site_.ImageChanged();
  return painted;
}

}  // namespace tarvelo::button
