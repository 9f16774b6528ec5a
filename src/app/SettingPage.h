#pragma once

#include "widgets/PagePanel.h"

namespace tarvelo::widgets {
class CheckBox;
class Label;
class Picture;
}  // namespace tarvelo::widgets

namespace tarvelo {

class StartOptions;

// The "Settings" page: start with the system, and start hidden in the tray.
// A click on either check box goes to the start options at once.
class SettingPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  SettingPage(QWidget* parent, int widthTwips, int heightTwips, StartOptions& options);

  widgets::Picture* Image3;
  widgets::Label* Label27;
  widgets::CheckBox* CheckAutoRun;
  widgets::CheckBox* CheckAutoMin;
};

}  // namespace tarvelo
