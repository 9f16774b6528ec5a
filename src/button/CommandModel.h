#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "button/ButtonPainter.h"
#include "button/ButtonRegion.h"
#include "button/CommandData.h"
#include "common/PropertyBag.h"
#include "raster/PixelSurface.h"

namespace tarvelo::button {

// The errors a property setter reports, under their run-time error numbers.
enum class PropertyError {
  kInvalidPropertyValue = 380,
  kNotSupportedAtRunTime = 382,
  kNotPermitted = 387,
};
// No value: the setter succeeded.
using SetResult = std::optional<PropertyError>;
constexpr int ErrorNumber(PropertyError error) { return static_cast<int>(error); }

struct Point {
  int x = 0;
  int y = 0;
};

enum class FocusMove { kNext, kPrevious };

// What the control needs from the window that shows it.
class CommandSite {
 public:
  virtual ~CommandSite() = default;
  // Measures and draws the caption in the control's font.
  virtual CaptionText& Text() = 0;
  // The image was repainted; show it when the window next updates.
  virtual void ImageChanged() = 0;
  // Show the image now, before anything else runs.
  virtual void RefreshNow() = 0;
  // The window's new shape; the window keeps it until the next one.
  virtual void SetWindowShape(const Region& shape) = 0;
  virtual void SetWindowEnabled(bool enabled) = 0;
  virtual void SetWindowFont(const ButtonFont& font) = 0;
  // The key that, with Alt, activates the control; empty for none.
  virtual void SetAccessKey(std::string_view key) = 0;
  // Starts or stops the 10 ms hover timer Timer1.
  virtual void SetHoverTimer(bool enabled) = 0;
  // The mouse pointer in the control's client coordinates.
  virtual Point CursorPosition() = 0;
  // Moves the keyboard focus to the next or previous control of the window.
  virtual void MoveFocus(FocusMove move) = 0;
  virtual std::int32_t WindowHandle() = 0;
  // A property changed under its own name, so that the host may save it.
  virtual void PropertyChanged(std::string_view name) = 0;
};

// The events the control raises to its host. Arguments come by reference: a
// handler may change them, and KeyDown's key code steers the control's own
// key handling. Buttons and Shift are bit masks (1 left, 2 right, 4 middle;
// 1 Shift, 2 Ctrl, 4 Alt).
class CommandEvents {
 public:
  virtual ~CommandEvents() = default;
  virtual void Click() {}
  virtual void KeyDown(std::int16_t& /*keyCode*/, std::int16_t& /*shift*/) {}
  virtual void KeyPress(std::int16_t& /*keyAscii*/) {}
  virtual void KeyUp(std::int16_t& /*keyCode*/, std::int16_t& /*shift*/) {}
  virtual void MouseDown(std::int16_t& /*button*/, std::int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void MouseMove(std::int16_t& /*button*/, std::int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void MouseUp(std::int16_t& /*button*/, std::int16_t& /*shift*/, float& /*x*/, float& /*y*/) {}
  virtual void MouseOut() {}
};

// The access key a caption gives: the character after its first "&", in lower
// case; after a doubled "&&" the character after the next "&". Empty when
// there is none. Only the first two ampersands are examined.
std::string AccessKeyOf(std::string_view caption);

// The Command push button without its window: properties and their saved
// form, derived colours, access key, input handling and the repaints it
// triggers into its own pixel surface.
class CommandModel {
 public:
  // A new control before any properties exist (all of them zero).
  CommandModel(CommandSite& site, CommandEvents& events, const SystemColors& system);

  // --- Host values.
  // The host's ambient font: the font of a new instance and the read default.
  void SetAmbientFont(const ButtonFont& font) { ambientFont_ = font; }
  // Whether the control runs in the program (true) or in a form designer.
  void SetUserMode(bool userMode) { userMode_ = userMode; }
  bool UserMode() const { return userMode_; }
  // Whether the host shows this control as its default button; repaints.
  void SetDisplayAsDefault(bool isDefault);
  // Any other ambient value of the host changed; repaints.
  void AmbientChanged();

  // --- Lifecycle.
  // Defaults of a newly placed instance; the caption is its instance name.
  void InitProperties(std::string_view instanceName);
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // --- Properties.
  Color BackColor() const { return data_.backColor; }
  void SetBackColor(Color value);
  Color ForeColor() const { return data_.foreColor; }
  void SetForeColor(Color value);
  int Percent() const { return data_.percent; }
  // 0..100; another value is stored all the same and reported as invalid,
  // without repaint. A value beyond 16 bits is not stored.
  [[nodiscard]] SetResult SetPercent(int value);
  Color MidColor() const { return data_.midColor; }
  void SetMidColor(Color value);
  Color EndColor() const { return data_.endColor; }
  void SetEndColor(Color value);
  Color MouseMoveMidColor() const { return data_.mouseMoveMidColor; }
  void SetMouseMoveMidColor(Color value);
  Color MouseMoveEndColor() const { return data_.mouseMoveEndColor; }
  void SetMouseMoveEndColor(Color value);
  Color MouseDownMidColor() const { return data_.mouseDownMidColor; }
  void SetMouseDownMidColor(Color value);
  Color MouseDownEndColor() const { return data_.mouseDownEndColor; }
  void SetMouseDownEndColor(Color value);
  Color OfficeXpFillColor() const { return data_.officeXpFillColor; }
  void SetOfficeXpFillColor(Color value);
  Color OfficeXpFrameColor() const { return data_.officeXpFrameColor; }
  void SetOfficeXpFrameColor(Color value);
  Color OfficeXpMousemoveFillColor() const { return data_.officeXpMousemoveFillColor; }
  void SetOfficeXpMousemoveFillColor(Color value);
  Color OfficeXpMousemoveFrameColor() const { return data_.officeXpMousemoveFrameColor; }
  void SetOfficeXpMousemoveFrameColor(Color value);
  bool Enabled() const { return data_.enabled; }
  void SetEnabled(bool value);
  const ButtonFont& Font() const { return data_.font; }
  void SetFont(const ButtonFont& value);
  // The handle of the window that shows the control.
  std::int32_t HWnd() const { return site_.WindowHandle(); }
  // Always refused: 382 in the program, 387 in a designer.
  [[nodiscard]] SetResult SetHWnd(std::int32_t value);
  int ButtonType() const { return data_.buttonType; }
  void SetButtonType(std::int32_t value);
  const std::string& Caption() const { return data_.caption; }
  void SetCaption(std::string_view value);
  int ColorScheme() const { return data_.colorScheme; }
  void SetColorScheme(std::int32_t value);
  int XpType() const { return data_.xpType; }
  void SetXpType(std::int32_t value);
  Color RectColor() const { return data_.rectColor; }
  // Stored and reported; seen at the next repaint.
  void SetRectColor(Color value);
  bool ShowFocusRect() const { return data_.showFocusRect; }
  void SetShowFocusRect(bool value);

  // --- Input, from the window.
  void MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
  void MouseUp(std::int16_t button, std::int16_t shift, float x, float y);
  // The left button went up over the control after going down on it.
  void Click();
  void AccessKeyPress();
  // The second press of a double click (it comes instead of a MouseDown).
  void DoubleClick();
  void MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
  void Timer1Tick();
  void KeyDown(std::int16_t keyCode, std::int16_t shift);
  void KeyPress(std::int16_t keyAscii);
  void KeyUp(std::int16_t keyCode, std::int16_t shift);
  void GotFocus();
  void LostFocus();
  // The client area's new size in pixels.
  void Resize(double width, double height);

  // --- Painting.
  void ApplyColorScheme();
  void UpdateAccessKey();
  // Repaints for state unless nothing changed (force false); tells the site.
  bool DrawButton(std::uint8_t state, bool force);

  // --- State, for the window and for tests.
  const CommandData& Data() const { return data_; }
  const PixelSurface& Surface() const { return surface_; }
  const Region& ButtonRegion() const { return region_; }
  const std::string& AccessKey() const { return accessKey_; }
  bool Timer1Enabled() const { return timer1_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  void Repaint() { DrawButton(data_.buttonState, true); }
  void Report(std::string_view name) { site_.PropertyChanged(name); }
  void SetColorProperty(Color CommandData::*member, Color value, std::string_view name);
  void ResizeHandling();
  void SetTimer1(bool enabled);
  void Press(std::int16_t button, std::int16_t shift, float x, float y);
  void Release(std::int16_t button, std::int16_t shift, float x, float y);
  void ClickRow();

  CommandSite& site_;
  CommandEvents& events_;
  SystemColors system_;
  ButtonFont ambientFont_;
  bool userMode_ = true;

  CommandData data_;
  PixelSurface surface_;
  Region region_;
  std::string accessKey_;
  bool timer1_ = false;
  double clientWidth_ = 0;
  double clientHeight_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tarvelo::button
