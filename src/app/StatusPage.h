#pragma once

#include "widgets/PagePanel.h"

namespace tarvelo::widgets {
class Label;
}

namespace tarvelo {

// The Status page: what the three ways of speeding up are doing.
class StatusPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  StatusPage(QWidget* parent, int widthTwips, int heightTwips);

  // The used memory in percent, "NN%".
  void ShowMemoryUsage(const QString& text);

  widgets::Label* Label6;
  widgets::Label* LabelStateMemoryState;
};

}  // namespace tarvelo
