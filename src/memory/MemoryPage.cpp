#include "memory/MemoryPage.h"

#include "settings/Settings.h"
#include "button/Command.h"
#include "memory/MemoryRelease.h"
#include "memory/ModuleGetMemoryState.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/TimeOfDay.h"

namespace tarvelo {

namespace {
const QColor kHeadingColor(255, 128, 0);
const QColor kGrey(64, 64, 64);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
}  // namespace

MemoryPage::MemoryPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings)
    : PagePanel(parent, "PictureMemory", widthTwips, heightTwips), settings_(settings) {
  using widgets::Label;
  Label19 = new Label(this, "Label19", "The third way - Automatically release memory - Speed up memory", 360, 120);
  Label19->setFont(widgets::HeadingFont());
  Label19->SetColor(kHeadingColor);
  Label20 = new Label(this, "Label20",
                      "This function will release system memory intelligently. This make the system have sufficient "
                      "memory available to the active program so that the program can run faster.",
                      360, 480);
  Label20->SetFixedSizeTwips(6645, 570);

  Label40 = new Label(this, "Label40", "Memory status", 360, 1200);
  Label40->setFont(widgets::HeadingFont());
  Label40->SetColor(kHeadingColor);

  auto pair = [this](const char* captionName, const char* caption, int captionLeft, const char* valueName,
                     const char* value, int valueLeft, const QColor& color, Label*& captionLabel,
                     Label*& valueLabel) {
    constexpr int kTop = 1560;
    captionLabel = new Label(this, captionName, caption, captionLeft, kTop);
    valueLabel = new Label(this, valueName, value, valueLeft, kTop);
    valueLabel->SetColor(color);
  };
  pair("Label30", "All:", 600, "LabelMemoryAll", "0 MB", 960, kGrey, Label30, LabelMemoryAll);
  pair("Label31", "Used:", 2040, "LabelMemoryUsed", "0 MB", 2640, kRed, Label31, LabelMemoryUsed);
  pair("Label32", "Left:", 3720, "LabelMemoryLeft", "0 MB", 4200, kGreen, Label32, LabelMemoryLeft);
  pair("Label29", "Used rate:", 5160, "LabelMemoryUsedPercent", "30%", 6240, kRed, Label29,
       LabelMemoryUsedPercent);

  CommandFreeMemory = button::PlaceCommand(this, "CommandFreeMemory", "Release memory now", 1560, 2040, 3495, 495);
  CheckEnableAutoFreeMemory =
      new widgets::CheckBox(this, "CheckEnableAutoFreeMemory", "Automatically release memory", 1200, 2880, 3735, 255);
  Label23 = new Label(this, "Label23", "Interval:", 1560, 3240);
  ComboInterval = new widgets::ComboList(this, "ComboInterval", 2400, 3240, 1815, 300);
  Label25 = new Label(this, "Label25", "Log", 360, 3840);
  Label25->setFont(widgets::HeadingFont());
  Label25->SetColor(kHeadingColor);
  ListViewMemoryLog = new widgets::ListView(this, "ListViewMemoryLog", 375, 4215, 6495, 1215,
                                            {{"NO.", 1058}, {"Time", 2540}, {"Event", 6350}});

  connect(CheckEnableAutoFreeMemory, &widgets::CheckBox::Click, this, [this] {
    settings_.WriteSetting(keys::EnableFreeMemory, CheckValueText(CheckEnableAutoFreeMemory->Value() != 0));
  });
  connect(ComboInterval, &widgets::ComboList::Click, this,
          [this] { settings_.WriteSetting(keys::AutoFreeMemoryInterval, ComboInterval->Text().toStdString()); });
}

void MemoryPage::FillIntervalList() {
  for (const ReleaseInterval& interval : kReleaseIntervals) ComboInterval->addItem(interval.text);
}

void MemoryPage::LoadSettings() {
  CheckEnableAutoFreeMemory->SetValue(CheckValueFromSetting(settings_.ReadSetting(keys::EnableFreeMemory)));
  ComboInterval->SetText(QString::fromStdString(settings_.ReadSetting(keys::AutoFreeMemoryInterval)));
}

void MemoryPage::AppendReleaseLog(std::int64_t releasedMB) {
  const int number = ListViewMemoryLog->RowCount() + 1;
  QTreeWidgetItem* row = ListViewMemoryLog->AddRow(
      {QString::number(number), widgets::TimeOfDayText(), QString::fromStdString(ReleaseEventText(releasedMB))});
  ListViewMemoryLog->scrollToItem(row);
}

void MemoryPage::ShowMemoryFigures(const MemoryFigures& f) {
  LabelMemoryAll->SetCaption(QString::fromStdString(MegabytesText(f.totalMB)));
  LabelMemoryUsed->SetCaption(QString::fromStdString(MegabytesText(f.usedMB)));
  LabelMemoryLeft->SetCaption(QString::fromStdString(MegabytesText(f.freeMB)));
  LabelMemoryUsedPercent->SetCaption(QString::fromStdString(PercentText(f.usedPercent)));
}

}  // namespace tarvelo
