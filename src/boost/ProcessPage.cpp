#include "boost/ProcessPage.h"

#include <QTextDocument>

#include "settings/Settings.h"
#include "boost/ForegroundBooster.h"
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
      settings_(settings),
      booster_(booster),
      privileges_(privileges),
      notice_(booster, privileges) {
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

  connect(CheckNowImproveProcess, &widgets::CheckBox::Click, this, [this] {
    settings_.WriteSetting(keys::EnableImproveProcess, CheckValueText(CheckNowImproveProcess->Value() != 0));
    UpdateBoostNotice();
  });
  connect(ComboSpeed, &widgets::ComboList::Click, this, [this] {
    settings_.WriteSetting(keys::ImproveSpeed, ComboSpeed->Text().toStdString());
    UpdateBoostNotice();
  });
}

void ProcessPage::FillSpeedList() {
  ComboSpeed->clear();
  ComboSpeed->addItem(FromUtf8(ForegroundBooster::kAboveNormal));
  ComboSpeed->addItem(FromUtf8(ForegroundBooster::kHigh));
}

void ProcessPage::LoadBoosterSettings() {
  CheckNowImproveProcess->SetValue(CheckValueFromSetting(settings_.ReadSetting(keys::EnableImproveProcess)));
  // An unknown level leaves the first entry chosen.
  if (!ComboSpeed->SetText(FromUtf8(settings_.ReadSetting(keys::ImproveSpeed)))) ComboSpeed->setCurrentIndex(0);
  UpdateBoostNotice();
}

void ProcessPage::TimerProcessTick() {
  const auto boost = booster_.Tick(CheckNowImproveProcess->Value() != 0, ComboSpeed->Text().toStdString());
  if (boost) ShowBoost(*boost);
  if (const auto figure = booster_.PollFigure()) emit FasterMeasured(FromUtf8(*figure));
  // A compositor may come and go, and an extension be enabled, at any time;
  // a boost tried may show that the right came or went.
  if (notice_.Stale()) UpdateBoostNotice();
}

void ProcessPage::showEvent(QShowEvent* event) {
  PagePanel::showEvent(event);
  UpdateBoostNotice();
}

void ProcessPage::ShowBoost(const Boost& boost) {
  const QString title = FromUtf8(boost.title);
  LabelNowImproveProcess->SetCaption(title);
  // A tooltip is shown as rich text when it looks like markup; this one is
  // always the title's characters.
  LabelNowImproveProcess->setToolTip(Qt::convertFromPlainText(title, Qt::WhiteSpacePre));

  QTreeWidgetItem* row = ListViewHistory->AddRow(
      {FromUtf8(boost.number), widgets::TimeOfDayText(), title, FromUtf8(boost.priority)});
  ListViewHistory->scrollToItem(row);

  LabelImprovedCount->SetCaption(QString::number(boost.count));
  emit Boosted(title);
}

void ProcessPage::UpdateBoostNotice() {
  const BoostNoticeView view =
      notice_.Read(CheckNowImproveProcess->Value() != 0, ComboSpeed->Text().toStdString());
  LabelBoostNotice->SetCaption(FromUtf8(view.text));
  LabelBoostNotice->setVisible(!view.text.empty());
  CommandAllow->setVisible(view.offerAllow);
}

}  // namespace tarvelo
