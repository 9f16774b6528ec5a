#include "cpulimit/CpuPageLogic.h"

#include <charconv>

#include "common/PlainText.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/CpuLimitSlots.h"
#include "cpulimit/ProcessList.h"

namespace tarvelo {

namespace {
constexpr std::string_view kList = "ListViewProcesses";
}  // namespace

void CpuPageLogic::Refresh() {
  ShowProcessList(LoadProcessList(processes_));
  UpdateLimitNotice();
}

void CpuPageLogic::ShowProcessList(const std::vector<ProcessRow>& rows) {
  FillList(rows);
  ReconcileLimitSlots();
}

void CpuPageLogic::FillList(const std::vector<ProcessRow>& rows) {
  view_.ClearRows(kList);
  host_.ClearRowIcons();
  names_.clear();
  int row = 0;
  for (const ProcessRow& process : rows) {
    view_.AddRow(kList, {std::to_string(process.id), std::to_string(process.pid), PlainText::Displayable(process.name)});
    names_.push_back(process.name);
    host_.SetRowIcon(row++, process.path, process.iconKey);
  }
  if (row > 0) view_.ScrollToRow(kList, row - 1);
}

std::int32_t CpuPageLogic::PidOf(int row) const {
  const std::string text = view_.CellText(kList, row, kPid);
  std::int32_t pid = 0;
  std::from_chars(text.data(), text.data() + text.size(), pid);
  return pid;
}

void CpuPageLogic::ReconcileLimitSlots() {
  const int rows = view_.RowCount(kList);
  std::vector<std::int32_t> pids;
  for (int row = 0; row < rows; ++row) pids.push_back(PidOf(row));
  const std::vector<std::string> limits = limits_.Reconcile(pids);
  for (int row = 0; row < rows; ++row) {
    if (!limits[static_cast<std::size_t>(row)].empty()) {
      view_.SetCellText(kList, row, kLimit, limits[static_cast<std::size_t>(row)]);
    }
  }
}

void CpuPageLogic::OpenLimitDialog() {
  // The list needs a chosen row; with none there is nothing to limit.
  const int row = view_.SelectedRow(kList);
  if (view_.RowCount(kList) == 0 || row < 0 || static_cast<std::size_t>(row) >= names_.size()) return;
  const std::string pidText = view_.CellText(kList, row, kPid);
  const std::int32_t pid = PidOf(row);
  const std::string path =
      GetProcessPath(processes_, static_cast<platform::ProcessId>(pid), names_[static_cast<std::size_t>(row)]);

  const LimitDialogPlan plan = PlanLimitDialog(limits_.Slots(), pid, !view_.CellText(kList, row, kLimit).empty());
  if (plan.mode == LimitDialogPlan::Mode::Refused) {
    host_.Warn("Can not limit more");
    return;
  }
  const CpuPageHost::DialogResult result =
      host_.RunLimitDialog(plan.mode == LimitDialogPlan::Mode::ChangeLimit, pidText, path, plan.sliderStart);

  platform::CpuLimitError error = platform::CpuLimitError::None;
  switch (result.outcome) {
    case CpuPageHost::Outcome::Ok:
      // The path as the dialog showed it.
      error = limits_.Limit(pid, PlainText::Displayable(path), result.percent);
      if (error == platform::CpuLimitError::None) view_.SetCellText(kList, row, kLimit, LimitText(result.percent));
      break;
    case CpuPageHost::Outcome::Adjustment:
      error = limits_.Adjust(pid, result.percent);
      ShowRowLimit(row, pid);
      break;
    case CpuPageHost::Outcome::Release:
      limits_.Release(pid);
      view_.SetCellText(kList, row, kLimit, "");
      break;
    case CpuPageHost::Outcome::Cancel:
      break;
  }
  if (error != platform::CpuLimitError::None) host_.Warn(LimitFailureText(error));
}

// The row shows the limit its pid holds now, or nothing.
void CpuPageLogic::ShowRowLimit(int row, std::int32_t pid) {
  std::string text;
  for (const CpuLimitSlot& slot : limits_.Slots().Slots()) {
    if (slot.InUse && slot.LimitedPid == pid) {
      text = LimitText(slot.LimitPercent);
      break;
    }
  }
  view_.SetCellText(kList, row, kLimit, text);
}

void CpuPageLogic::ClearFreedLimits() {
  for (int row = 0; row < view_.RowCount(kList); ++row) {
    if (!view_.CellText(kList, row, kLimit).empty()) ShowRowLimit(row, PidOf(row));
  }
}

void CpuPageLogic::ShowLimitedCount(int count) { view_.SetText("LabelCPULimitedCount", std::to_string(count)); }

void CpuPageLogic::UpdateLimitNotice() {
  const platform::CpuLimitError why = limits_.WhyUnavailable();
  view_.SetText("LabelLimitNotice", LimitUnavailableText(why));
  // The whole story, for whoever points at it.
  view_.SetToolTip("LabelLimitNotice", LimitFailureText(why));
  view_.Show("LabelLimitNotice", why != platform::CpuLimitError::None);
}

}  // namespace tarvelo
