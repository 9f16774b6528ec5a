#include "app/ChromeButton.h"

namespace tarvelo {

ChromeButton::Action ChromeButton::MouseUp() const {
  return picture_ == kPressed ? Act() : Action::None;
}

ChromeButton::Action ChromeButton::Click() const {
  if (kind_ == Kind::Close) return Action::HideToTray;
  return MouseUp();
}

}  // namespace tarvelo
