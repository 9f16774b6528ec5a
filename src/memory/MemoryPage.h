#pragma once

#include <cstdint>

#include "memory/MemoryPageLogic.h"
#include "widgets/PagePanel.h"
#include "widgets/QtFormView.h"

namespace tarvelo::widgets {
class CheckBox;
class ComboList;
class Label;
class ListView;
}  // namespace tarvelo::widgets

namespace tarvelo::button {
class Command;
}

namespace tarvelo {

class Settings;
struct MemoryFigures;

// The "3 - Speed up memory" page. Its two settings are written the moment the
// user changes them; the releases themselves are the main window's.
class MemoryPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  MemoryPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings);

  // The "Memory status" block: all, used, left and the used rate.
  void ShowMemoryFigures(const MemoryFigures& figures);

  // The interval entries, in order.
  void FillIntervalList();
  // [Memory] EnableFreeMemory and AutoFreeMemoryInterval onto the controls.
  // A missing or unknown interval leaves the first entry chosen.
  void LoadSettings();
  // A row of the log: its number, the time of day and the released megabytes.
  void AppendReleaseLog(std::int64_t releasedMB);

  MemoryPageLogic& Logic() { return logic_; }

  widgets::Label* Label19;
  widgets::Label* Label20;
  button::Command* CommandFreeMemory;
  widgets::CheckBox* CheckEnableAutoFreeMemory;
  widgets::Label* Label23;
  widgets::ComboList* ComboInterval;
  widgets::Label* Label25;
  widgets::ListView* ListViewMemoryLog;

  widgets::Label* Label40;
  widgets::Label* Label30;
  widgets::Label* LabelMemoryAll;
  widgets::Label* Label31;
  widgets::Label* LabelMemoryUsed;
  widgets::Label* Label32;
  widgets::Label* LabelMemoryLeft;
  widgets::Label* Label29;
  widgets::Label* LabelMemoryUsedPercent;

 private:
  widgets::QtFormView view_{*this};
  MemoryPageLogic logic_;
};

}  // namespace tarvelo
