#pragma once

#include "boost/ProcessPageLogic.h"
#include "widgets/PagePanel.h"
#include "widgets/QtFormView.h"

namespace platform {
class Privileges;
}

namespace tarvelo::button {
class Command;
}

namespace tarvelo::widgets {
class CheckBox;
class ComboList;
class Label;
class ListView;
}  // namespace tarvelo::widgets

namespace tarvelo {

class ForegroundBooster;
class Settings;
struct Boost;

// The "1 - Speed up process" page: the booster's switch and level, its
// figures and its log. It passes the controls' values to the booster at every
// tick and shows what the booster returns; each control writes its setting
// the moment the user changes it.
class ProcessPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  ProcessPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings, ForegroundBooster& booster,
              platform::Privileges& privileges);

  // Start-up: the levels of ComboSpeed, then the two stored settings put onto
  // their controls. A missing or unknown value leaves the booster off at
  // "Above Normal".
  void FillSpeedList();
  void LoadBoosterSettings();

  // One TimerProcess tick.
  void TimerProcessTick();

  // Reads again what LabelBoostNotice says and whether "Allow…" shows: the
  // right to raise priorities may have come or gone outside the program.
  void UpdateBoostNotice();

  ProcessPageLogic& Logic() { return logic_; }

  widgets::Label* Label12;
  widgets::Label* Label10;
  widgets::CheckBox* CheckNowImproveProcess;
  widgets::Label* Label3;
  widgets::ComboList* ComboSpeed;
  widgets::Label* Label37;
  widgets::Label* Label28;
  widgets::Label* LabelImprovedCount;
  widgets::Label* Label11;
  widgets::Label* LabelNowImproveProcess;
  widgets::Label* Label13;
  widgets::ListView* ListViewHistory;
  // Says why priorities cannot be raised and what would make it possible, or
  // why the booster cannot see the window in front; "Allow…" beside it where
  // the right can be granted here and now.
  widgets::Label* LabelBoostNotice;
  button::Command* CommandAllow;

 signals:
  // A boost happened: the Status page shows the title.
  void Boosted(const QString& title);
  // The figure measured after the last boost, for "Whole system faster:".
  void FasterMeasured(const QString& figure);

 protected:
  void showEvent(QShowEvent* event) override;

 private:

  platform::Privileges& privileges_;
  widgets::QtFormView view_{*this};
  ProcessPageLogic logic_;
};

}  // namespace tarvelo
