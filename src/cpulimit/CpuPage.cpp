#include "cpulimit/CpuPage.h"

#include <QMessageBox>
#include <unordered_map>

#include "button/Command.h"
#include "common/PlainText.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/FormSetProcessCpuPercent.h"
#include "cpulimit/ModuleGetFileIcon.h"
#include "cpulimit/ProcessList.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/MessageBox.h"

namespace tarvelo {

using widgets::Label;

namespace {
constexpr int kIconKeyRole = Qt::UserRole;
}  // namespace

CpuPage::CpuPage(QWidget* parent, int widthTwips, int heightTwips, platform::ProcessTable& processes,
                 platform::FileIcons& icons, CpuLimitControl& limits, std::function<void(QDialog*)> dialogOpened)
    : PagePanel(parent, "PictureCPU", widthTwips, heightTwips),
      processes_(processes),
      icons_(icons),
      limits_(limits),
      dialogOpened_(std::move(dialogOpened)) {
  const form::Form& f = form::CpuForm();
  Label22 = widgets::MakeLabel(this, f["Label22"]);
  Label21 = widgets::MakeLabel(this, f["Label21"]);
  Label39 = widgets::MakeLabel(this, f["Label39"]);
  Label24 = widgets::MakeLabel(this, f["Label24"]);
  LabelCPULimitedCount = widgets::MakeLabel(this, f["LabelCPULimitedCount"]);
  ListViewProcesses = widgets::MakeListView(this, f["ListViewProcesses"]);
  ListViewProcesses->setIconSize(QSize(16, 16));
  connect(ListViewProcesses, &QTreeWidget::itemDoubleClicked, this, [this] { OpenLimitDialog(); });

  CommandRefreshProcess = button::PlaceCommand(this, f["CommandRefreshProcess"]);
  CommandLimitProcessCPU = button::PlaceCommand(this, f["CommandLimitProcessCPU"]);
  connect(CommandRefreshProcess, &button::Command::Click, this, &CpuPage::Refresh);
  connect(CommandLimitProcessCPU, &button::Command::Click, this, &CpuPage::OpenLimitDialog);

  LabelLimitNotice = widgets::MakeLabel(this, f["LabelLimitNotice"]);
  UpdateLimitNotice();
}

void CpuPage::UpdateLimitNotice() {
  const platform::CpuLimitError why = limits_.WhyUnavailable();
  LabelLimitNotice->SetCaption(QString::fromStdString(LimitUnavailableText(why)));
  // The whole story, for whoever points at it.
  LabelLimitNotice->setToolTip(QString::fromStdString(LimitFailureText(why)));
  LabelLimitNotice->setVisible(why != platform::CpuLimitError::None);
}

void CpuPage::Refresh() {
  ShowProcessList(LoadProcessList(processes_));
  UpdateLimitNotice();
}

void CpuPage::ShowProcessList(const std::vector<ProcessRow>& rows) {
  FillList(rows);
  ReconcileLimitSlots();
}

void CpuPage::FillList(const std::vector<ProcessRow>& rows) {
  ListViewProcesses->clear();
  ImageListProcesses.clear();
  // Many processes run the same program (shells, helpers): one icon lookup
  // per program and fill.
  std::unordered_map<std::string, QIcon> iconOfPath;
  for (const ProcessRow& row : rows) {
    QTreeWidgetItem* item = ListViewProcesses->AddRow(
        {QString::number(row.id), QString::number(row.pid), QString::fromStdString(PlainText::Displayable(row.name))});
    // The name as the system gives it, for finding the process's path again;
    // the column shows it made safe.
    item->setData(kProcess, Qt::UserRole, QString::fromStdString(row.name));
    const QString key = QString::fromStdString(row.iconKey);
    auto [known, added] = iconOfPath.try_emplace(row.path);
    if (added) known->second = ModuleGetFileIcon::GetFileIcon(icons_, row.path, true);
    const QIcon& icon = known->second;
    if (!icon.isNull()) {
      ImageListProcesses.insert(key, icon);
      item->setIcon(kId, icon);
    }
    item->setData(kId, kIconKeyRole, key);
  }
  if (ListViewProcesses->RowCount() > 0) {
    ListViewProcesses->scrollToItem(ListViewProcesses->topLevelItem(ListViewProcesses->RowCount() - 1));
  }
}

void CpuPage::ReconcileLimitSlots() {
  std::vector<std::int32_t> pids;
  for (int row = 0; row < ListViewProcesses->RowCount(); ++row) {
    pids.push_back(ListViewProcesses->Text(row, kPid).toInt());
  }
  const std::vector<std::string> limits = limits_.Reconcile(pids);
  for (int row = 0; row < ListViewProcesses->RowCount(); ++row) {
    if (!limits[static_cast<std::size_t>(row)].empty()) {
      ListViewProcesses->SetText(row, kLimit, QString::fromStdString(limits[static_cast<std::size_t>(row)]));
    }
  }
}

void CpuPage::OpenLimitDialog() {
  // The list needs a chosen row; with none there is nothing to limit.
  const int row = ListViewProcesses->SelectedRow();
  if (ListViewProcesses->RowCount() == 0 || row < 0) return;
  const QString pidText = ListViewProcesses->Text(row, kPid);
  const std::int32_t pid = pidText.toInt();
  const std::string name = ListViewProcesses->topLevelItem(row)->data(kProcess, Qt::UserRole).toString().toStdString();
  const std::string path = GetProcessPath(processes_, static_cast<platform::ProcessId>(pid), name);

  const LimitDialogPlan plan = PlanLimitDialog(limits_.Slots(), pid, !ListViewProcesses->Text(row, kLimit).isEmpty());
  if (plan.mode == LimitDialogPlan::Mode::Refused) {
    widgets::ShowMessage(window(), "Can not limit more", QMessageBox::Warning);
    return;
  }
  const auto mode = plan.mode == LimitDialogPlan::Mode::ChangeLimit ? FormSetProcessCpuPercent::Mode::ChangeLimit
                                                                    : FormSetProcessCpuPercent::Mode::NewLimit;
  FormSetProcessCpuPercent dialog(window(), mode, pidText, QString::fromStdString(path),
                                  ModuleGetFileIcon::GetFileIcon(icons_, path, false), plan.sliderStart);
  dialogOpened_(&dialog);
  dialog.exec();

  const int percent = dialog.Percent();
  platform::CpuLimitError error = platform::CpuLimitError::None;
  switch (dialog.Result()) {
    case FormSetProcessCpuPercent::Outcome::Ok:
      error = limits_.Limit(pid, dialog.LabelProcessPath->text().toStdString(), percent);
      if (error == platform::CpuLimitError::None) {
        ListViewProcesses->SetText(row, kLimit, QString::fromStdString(LimitText(percent)));
      }
      break;
    case FormSetProcessCpuPercent::Outcome::Adjustment:
      error = limits_.Adjust(pid, percent);
      ShowRowLimit(row, pid);
      break;
    case FormSetProcessCpuPercent::Outcome::Release:
      limits_.Release(pid);
      ListViewProcesses->SetText(row, kLimit, QString());
      break;
    case FormSetProcessCpuPercent::Outcome::Cancel:
      break;
  }
  if (error != platform::CpuLimitError::None) {
    widgets::ShowMessage(window(), QString::fromStdString(LimitFailureText(error)), QMessageBox::Warning);
  }
}

// The row shows the limit its pid holds now, or nothing.
void CpuPage::ShowRowLimit(int row, std::int32_t pid) {
  QString text;
  for (const CpuLimitSlot& slot : limits_.Slots().Slots()) {
    if (slot.InUse && slot.LimitedPid == pid) {
      text = QString::fromStdString(LimitText(slot.LimitPercent));
      break;
    }
  }
  ListViewProcesses->SetText(row, kLimit, text);
}

void CpuPage::ClearFreedLimits() {
  for (int row = 0; row < ListViewProcesses->RowCount(); ++row) {
    if (!ListViewProcesses->Text(row, kLimit).isEmpty()) ShowRowLimit(row, ListViewProcesses->Text(row, kPid).toInt());
  }
}

void CpuPage::ShowLimitedCount(int count) { LabelCPULimitedCount->SetCaption(QString::number(count)); }

}  // namespace tarvelo
