#include "memory/MemoryPage.h"

#include "settings/Settings.h"
#include "button/Command.h"
#include "memory/MemoryRelease.h"
#include "memory/ModuleGetMemoryState.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/TimeOfDay.h"

namespace tarvelo {

MemoryPage::MemoryPage(QWidget* parent, int widthTwips, int heightTwips, Settings& settings)
    : PagePanel(parent, "PictureMemory", widthTwips, heightTwips), settings_(settings) {
  const form::Form& f = form::MemoryForm();
  Label19 = widgets::MakeLabel(this, f["Label19"]);
  Label20 = widgets::MakeLabel(this, f["Label20"]);
  Label40 = widgets::MakeLabel(this, f["Label40"]);
  Label30 = widgets::MakeLabel(this, f["Label30"]);
  LabelMemoryAll = widgets::MakeLabel(this, f["LabelMemoryAll"]);
  Label31 = widgets::MakeLabel(this, f["Label31"]);
  LabelMemoryUsed = widgets::MakeLabel(this, f["LabelMemoryUsed"]);
  Label32 = widgets::MakeLabel(this, f["Label32"]);
  LabelMemoryLeft = widgets::MakeLabel(this, f["LabelMemoryLeft"]);
  Label29 = widgets::MakeLabel(this, f["Label29"]);
  LabelMemoryUsedPercent = widgets::MakeLabel(this, f["LabelMemoryUsedPercent"]);
  CommandFreeMemory = button::PlaceCommand(this, f["CommandFreeMemory"]);
  CheckEnableAutoFreeMemory = widgets::MakeCheckBox(this, f["CheckEnableAutoFreeMemory"]);
  Label23 = widgets::MakeLabel(this, f["Label23"]);
  ComboInterval = widgets::MakeComboList(this, f["ComboInterval"]);
  Label25 = widgets::MakeLabel(this, f["Label25"]);
  ListViewMemoryLog = widgets::MakeListView(this, f["ListViewMemoryLog"]);

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
