#include "boost/ProcessPage.h"

#include <QTextDocument>

#include "settings/Settings.h"
#include "boost/ForegroundBooster.h"
#include "button/Command.h"
#include "platform/Privileges.h"
#include "widgets/AllowPrivilege.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/TimeOfDay.h"

namespace tarvelo {

using widgets::Label;

namespace {

const QColor kOrange(255, 128, 0);
const QColor kGreen(0, 128, 0);
const QColor kNoticeRed(192, 0, 0);

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

ProcessPage::ProcessPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings,
                         ForegroundBooster& booster, platform::Privileges& privileges)
    : PagePanel(parent, "PictureProcess", widthTwips, heightTwips),
      settings_(settings),
      booster_(booster),
      privileges_(privileges),
      notice_(booster, privileges) {
  Label12 = new Label(this, "Label12", "The first way - increase the priority of processes - Speed up process", 360,
                      120);
  Label12->setFont(widgets::HeadingFont());
  Label12->SetColor(kOrange);

  Label10 = new Label(this, "Label10",
                      "The higher priority,the more system resources the process will obtain and faster it will "
                      "run.This fuction can adjust the process priority intelligently, increase the priority of "
                      "active processes and reduce the priority of the inactive process automatically .",
                      360, 480);
  Label10->SetFixedSizeTwips(6645, 810);

  CheckNowImproveProcess =
      new widgets::CheckBox(this, "CheckNowImproveProcess", "Enable speed up process", 1200, 1560, 2895, 255);

  Label3 = new Label(this, "Label3", "Speed up level:", 1560, 1920);
  ComboSpeed = new widgets::ComboList(this, "ComboSpeed", 3000, 1920, 1815, 300);

  Label37 = new Label(this, "Label37", "Above Normal level can speed up 10%-20%,High level can speed up 20%-30%",
                      1560, 2280);
  Label37->SetFixedSizeTwips(4860, 420);

  Label28 = new Label(this, "Label28", "Speed up count:", 1140, 2760);
  LabelImprovedCount = new Label(this, "LabelImprovedCount", "None", 2640, 2760);
  LabelImprovedCount->SetFixedSizeTwips(1815, 255, false);
  LabelImprovedCount->SetColor(kOrange);

  Label11 = new Label(this, "Label11", "Now speeding up:", 1035, 3000);
  LabelNowImproveProcess = new Label(this, "LabelNowImproveProcess", "None", 2640, 3000);
  LabelNowImproveProcess->SetFixedSizeTwips(3735, 255, false);
  LabelNowImproveProcess->SetColor(kGreen);

  Label13 = new Label(this, "Label13", "Log:", 360, 3480);
  Label13->setFont(widgets::HeadingFont());
  Label13->SetColor(kOrange);

  ListViewHistory = new widgets::ListView(this, "ListViewHistory", 390, 3735, 6480, 1800,
                                          {{"NO.", 1058}, {"Time", 1764}, {"Target", 4939}, {"Priority", 2540}});

  // In the free corner right of the switch and the level, the button below
  // it, right of Label37.
  LabelBoostNotice = new Label(this, "LabelBoostNotice", QString(), 4950, 1320);
  LabelBoostNotice->SetFixedSizeTwips(2760, 930);
  LabelBoostNotice->SetColor(kNoticeRed);
  // An administrator may copy the command it names.
  LabelBoostNotice->setTextInteractionFlags(Qt::TextSelectableByMouse);
  LabelBoostNotice->hide();
  CommandAllow = button::PlaceCommand(this, "CommandAllow", QString::fromUtf8("Allow\u2026"), 6480, 2280, 1230, 360);
  CommandAllow->hide();
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
