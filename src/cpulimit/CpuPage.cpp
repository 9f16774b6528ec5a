#include "cpulimit/CpuPage.h"

#include <QMessageBox>

#include "button/Command.h"
#include "common/PlainText.h"
#include "cpulimit/CpuLimitSlots.h"
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
                 platform::FileIcons& icons, CpuLimitSlots& limitSlots, std::function<void(QDialog*)> dialogOpened)
    : PagePanel(parent, "PictureCPU", widthTwips, heightTwips),
      processes_(processes),
      icons_(icons),
      slots_(limitSlots),
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
}

void CpuPage::Refresh() {
  LoadProcessList();
  ReconcileLimitSlots();
}

void CpuPage::LoadProcessList() {
  ListViewProcesses->clear();
  ImageListProcesses.clear();
  for (const ProcessRow& row : tarvelo::LoadProcessList(processes_)) {
    QTreeWidgetItem* item = ListViewProcesses->AddRow(
        {QString::number(row.id), QString::number(row.pid), QString::fromStdString(PlainText::Displayable(row.name))});
    const QString key = QString::fromStdString(row.iconKey);
    const QIcon icon = ModuleGetFileIcon::GetFileIcon(icons_, row.path, true);
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
  const std::vector<std::string> limits = slots_.Reconcile(pids);
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
  const std::string path =
      GetProcessPath(processes_, static_cast<platform::ProcessId>(pid), ListViewProcesses->Text(row, kProcess).toStdString());

  const LimitDialogPlan plan = PlanLimitDialog(slots_, pid, !ListViewProcesses->Text(row, kLimit).isEmpty());
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
  switch (dialog.Result()) {
    case FormSetProcessCpuPercent::Outcome::Ok:
      if (slots_.Take(pid, dialog.LabelProcessPath->text().toStdString(), percent)) {
        ListViewProcesses->SetText(row, kLimit, QString::fromStdString(LimitText(percent)));
      }
      break;
    case FormSetProcessCpuPercent::Outcome::Adjustment:
      slots_.Adjust(pid, percent);
      ListViewProcesses->SetText(row, kLimit, QString::fromStdString(LimitText(percent)));
      break;
    case FormSetProcessCpuPercent::Outcome::Release:
      slots_.Release(pid);
      ListViewProcesses->SetText(row, kLimit, QString());
      break;
    case FormSetProcessCpuPercent::Outcome::Cancel:
      break;
  }
}

void CpuPage::ShowLimitedCount(int count) { LabelCPULimitedCount->SetCaption(QString::number(count)); }

}  // namespace tarvelo
