#include "memory/MemoryPageLogic.h"

#include <vector>

#include "memory/MemoryRelease.h"
#include "memory/ModuleGetMemoryState.h"
#include "settings/Settings.h"

namespace tarvelo {

void MemoryPageLogic::FillIntervalList() {
  std::vector<std::string> items;
  for (const ReleaseInterval& interval : kReleaseIntervals) items.emplace_back(interval.text);
  view_.SetItems("ComboInterval", items);
  view_.ChooseIndex("ComboInterval", 0);
}

void MemoryPageLogic::LoadSettings() {
  view_.SetChecked("CheckEnableAutoFreeMemory", CheckValueFromSetting(settings_.ReadSetting(keys::EnableFreeMemory)) != 0);
  if (!view_.Choose("ComboInterval", settings_.ReadSetting(keys::AutoFreeMemoryInterval))) {
    view_.ChooseIndex("ComboInterval", 0);
  }
}

void MemoryPageLogic::AutoReleaseClicked() {
  settings_.WriteSetting(keys::EnableFreeMemory, CheckValueText(AutoReleaseEnabled()));
}

void MemoryPageLogic::IntervalChosen() { settings_.WriteSetting(keys::AutoFreeMemoryInterval, Interval()); }

bool MemoryPageLogic::AutoReleaseEnabled() const { return view_.Checked("CheckEnableAutoFreeMemory"); }

std::string MemoryPageLogic::Interval() const { return view_.Text("ComboInterval"); }

void MemoryPageLogic::ShowMemoryFigures(const MemoryFigures& f) {
  view_.SetText("LabelMemoryAll", MegabytesText(f.totalMB));
  view_.SetText("LabelMemoryUsed", MegabytesText(f.usedMB));
  view_.SetText("LabelMemoryLeft", MegabytesText(f.freeMB));
  view_.SetText("LabelMemoryUsedPercent", PercentText(f.usedPercent));
}

void MemoryPageLogic::AppendReleaseLog(std::int64_t releasedMB) {
  const int number = view_.RowCount("ListViewMemoryLog") + 1;
  view_.AddRow("ListViewMemoryLog", {std::to_string(number), timeOfDay_(), ReleaseEventText(releasedMB)});
  view_.ScrollToRow("ListViewMemoryLog", number - 1);
}

}  // namespace tarvelo
