#pragma once

namespace tarvelo {

// The minimise and close buttons of the borderless window. Each is three
// stacked pictures (0 normal, 1 hover, 2 pressed) of which exactly one shows;
// that picture is the button's whole state.
class ChromeButton {
 public:
  enum class Kind { Minimize, Close };
  enum class Action { None, Minimize, HideToTray };
  enum Picture { kNormal = 0, kHover = 1, kPressed = 2 };

  explicit ChromeButton(Kind kind) : kind_(kind) {}

  int VisiblePicture() const { return picture_; }

  // The pointer moves over the button, with or without mouse buttons held.
  void MouseMove() { picture_ = kHover; }
  // Any mouse button goes down on the button.
  void MouseDown() { picture_ = kPressed; }
  // A mouse button goes up: acts only while the pressed picture shows, so a
  // press that moved before its release does nothing.
  Action MouseUp() const;
  // Down and up on the button. The close button hides the window whatever
  // picture shows; the minimise button makes the same test as on button up.
  Action Click() const;
  // The pointer moves over the window's own background.
  void PointerOverBackground() { picture_ = kNormal; }

 private:
  Action Act() const { return kind_ == Kind::Minimize ? Action::Minimize : Action::HideToTray; }

  Kind kind_;
  int picture_ = kNormal;
};

}  // namespace tarvelo
