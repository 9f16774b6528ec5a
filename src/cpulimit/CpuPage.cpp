#include "cpulimit/CpuPage.h"

#include <QMessageBox>
#include <unordered_map>

#include "button/Command.h"
#include "common/PlainText.h"
#include "cpulimit/CpuLimitControl.h"
#include "cpulimit/FormSetProcessCpuPercent.h"
#include "cpulimit/ModuleGetFileIcon.h"
#include "cpulimit/ProcessList.h"
#include "widgets/Fonts.h"
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
  Label22 = new Label(this, "Label22", "The second way - limit process CPU usage - Speed up CPU", 360, 120);
  Label22->setFont(widgets::HeadingFont());
  Label22->SetColor(QColor(255, 128, 0));
  // Both descriptions are kept as written, a carriage return at the end.
  Label21 = new Label(this, "Label21",
                      "This function can limit the CPU usage of a process and ensure system has sufficient CPU "
                      "resource for other active processes.\r",
                      360, 480);
  Label21->SetFixedSizeTwips(6645, 450);
  Label39 = new Label(this, "Label39",
                      "When a process use too much CPU,it will slow down the pc speed.Using this function can limit "
                      "the CPU usage.\r",
                      360, 960);
  Label39->SetFixedSizeTwips(6735, 375);
  Label24 = new Label(this, "Label24", "Limited count:", 360, 1440);
  LabelCPULimitedCount = new Label(this, "LabelCPULimitedCount", "0", 1800, 1440);

  ListViewProcesses = new widgets::ListView(this, "ListViewProcesses", 375, 1695, 6585, 3105,
                                            {{"ID", 1411}, {"PID", 1411}, {"Process", 4586},
                                             {"CPU Usage limited", 3528}});
  ListViewProcesses->setIconSize(QSize(16, 16));
  connect(ListViewProcesses, &QTreeWidget::itemDoubleClicked, this, [this] { OpenLimitDialog(); });

  CommandRefreshProcess = button::PlaceCommand(this, "CommandRefreshProcess", "Refresh", 840, 5040, 1455, 375);
  CommandLimitProcessCPU = button::PlaceCommand(this, "CommandLimitProcessCPU", "Limit", 2520, 5040, 1455, 375);
  connect(CommandRefreshProcess, &button::Command::Click, this, &CpuPage::Refresh);
  connect(CommandLimitProcessCPU, &button::Command::Click, this, &CpuPage::OpenLimitDialog);

  // Right of the buttons, in the notice red of the booster page.
  LabelLimitNotice = new Label(this, "LabelLimitNotice", QString(), 4140, 4875);
  LabelLimitNotice->SetFixedSizeTwips(3135, 540);
  LabelLimitNotice->setWordWrap(true);
  LabelLimitNotice->SetColor(QColor(192, 0, 0));
  LabelLimitNotice->hide();
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
