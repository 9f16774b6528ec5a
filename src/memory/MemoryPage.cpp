#include "memory/MemoryPage.h"

#include "button/Command.h"
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
    : PagePanel(parent, "PictureMemory", widthTwips, heightTwips),
      logic_(view_, settings, [] { return widgets::TimeOfDayText().toStdString(); }) {
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

  connect(CheckEnableAutoFreeMemory, &widgets::CheckBox::Click, this, [this] { logic_.AutoReleaseClicked(); });
  connect(ComboInterval, &widgets::ComboList::Click, this, [this] { logic_.IntervalChosen(); });
}

void MemoryPage::FillIntervalList() { logic_.FillIntervalList(); }

void MemoryPage::LoadSettings() { logic_.LoadSettings(); }

void MemoryPage::AppendReleaseLog(std::int64_t releasedMB) { logic_.AppendReleaseLog(releasedMB); }

void MemoryPage::ShowMemoryFigures(const MemoryFigures& f) { logic_.ShowMemoryFigures(f); }

}  // namespace tarvelo
