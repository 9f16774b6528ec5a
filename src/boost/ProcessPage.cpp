#include "boost/ProcessPage.h"

#include "button/Command.h"
#include "platform/Privileges.h"
#include "widgets/AllowPrivilege.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/TimeOfDay.h"

namespace tarvelo {

using widgets::Label;

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

ProcessPage::ProcessPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings,
                         ForegroundBooster& booster, platform::Privileges& privileges)
    : PagePanel(parent, "PictureProcess", widthTwips, heightTwips),
      privileges_(privileges),
      logic_(view_, settings, booster, privileges, [] { return widgets::TimeOfDayText().toStdString(); }) {
  const form::Form& f = form::ProcessForm();
  Label12 = widgets::MakeLabel(this, f["Label12"]);
  Label10 = widgets::MakeLabel(this, f["Label10"]);
  CheckNowImproveProcess = widgets::MakeCheckBox(this, f["CheckNowImproveProcess"]);
  Label3 = widgets::MakeLabel(this, f["Label3"]);
  ComboSpeed = widgets::MakeComboList(this, f["ComboSpeed"]);
  Label37 = widgets::MakeLabel(this, f["Label37"]);
  Label28 = widgets::MakeLabel(this, f["Label28"]);
  LabelImprovedCount = widgets::MakeLabel(this, f["LabelImprovedCount"]);
  Label11 = widgets::MakeLabel(this, f["Label11"]);
  LabelNowImproveProcess = widgets::MakeLabel(this, f["LabelNowImproveProcess"]);
  Label13 = widgets::MakeLabel(this, f["Label13"]);
  ListViewHistory = widgets::MakeListView(this, f["ListViewHistory"]);
  LabelBoostNotice = widgets::MakeLabel(this, f["LabelBoostNotice"]);
  // An administrator may copy the command it names.
  LabelBoostNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
  CommandAllow = button::PlaceCommand(this, f["CommandAllow"]);
  connect(CommandAllow, &button::Command::Click, this, [this] {
    widgets::AllowPrivilege(this, privileges_);
    UpdateBoostNotice();  // gone once the right is there
  });

  connect(CheckNowImproveProcess, &widgets::CheckBox::Click, this, [this] { logic_.SwitchClicked(); });
  connect(ComboSpeed, &widgets::ComboList::Click, this, [this] { logic_.LevelChosen(); });
}

void ProcessPage::FillSpeedList() { logic_.FillSpeedList(); }

void ProcessPage::LoadBoosterSettings() { logic_.LoadBoosterSettings(); }

void ProcessPage::TimerProcessTick() {
  const ProcessPageLogic::TickNews news = logic_.Tick();
  if (news.boostedTitle) emit Boosted(FromUtf8(*news.boostedTitle));
  if (news.fasterFigure) emit FasterMeasured(FromUtf8(*news.fasterFigure));
}

void ProcessPage::showEvent(QShowEvent* event) {
  PagePanel::showEvent(event);
  UpdateBoostNotice();
}

void ProcessPage::UpdateBoostNotice() { logic_.UpdateBoostNotice(); }

}  // namespace tarvelo
