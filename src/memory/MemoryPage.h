#pragma once

#include "widgets/PagePanel.h"

namespace tarvelo::widgets {
class Label;
}

namespace tarvelo {

struct MemoryFigures;

// The "3 - Speed up memory" page.
class MemoryPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  MemoryPage(QWidget* parent, int widthTwips, int heightTwips);

  // The "Memory status" block: all, used, left and the used rate.
  void ShowMemoryFigures(const MemoryFigures& figures);

  widgets::Label* Label40;
  widgets::Label* Label30;
  widgets::Label* LabelMemoryAll;
  widgets::Label* Label31;
  widgets::Label* LabelMemoryUsed;
  widgets::Label* Label32;
  widgets::Label* LabelMemoryLeft;
  widgets::Label* Label29;
  widgets::Label* LabelMemoryUsedPercent;
};

}  // namespace tarvelo
