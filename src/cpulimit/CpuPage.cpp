#include "cpulimit/CpuPage.h"

#include <QMessageBox>

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
      icons_(icons),
      dialogOpened_(std::move(dialogOpened)),
      logic_(view_, *this, processes, limits) {
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
  logic_.UpdateLimitNotice();
}

void CpuPage::Refresh() { logic_.Refresh(); }

void CpuPage::ShowProcessList(const std::vector<ProcessRow>& rows) { logic_.ShowProcessList(rows); }

void CpuPage::OpenLimitDialog() { logic_.OpenLimitDialog(); }

void CpuPage::ClearFreedLimits() { logic_.ClearFreedLimits(); }

void CpuPage::ShowLimitedCount(int count) { logic_.ShowLimitedCount(count); }

void CpuPage::ClearRowIcons() {
  ImageListProcesses.clear();
  iconOfPath_.clear();
}

void CpuPage::SetRowIcon(int row, const std::string& path, const std::string& iconKey) {
  QTreeWidgetItem* item = ListViewProcesses->topLevelItem(row);
  if (item == nullptr) return;
  auto [known, added] = iconOfPath_.try_emplace(path);
  if (added) known->second = ModuleGetFileIcon::GetFileIcon(icons_, path, true);
  const QString key = QString::fromStdString(iconKey);
  if (!known->second.isNull()) {
    ImageListProcesses.insert(key, known->second);
    item->setIcon(kId, known->second);
  }
  item->setData(kId, kIconKeyRole, key);
}

CpuPageHost::DialogResult CpuPage::RunLimitDialog(bool changeLimit, std::string_view pid, const std::string& path,
                                                   int sliderStart) {
  const auto mode =
      changeLimit ? FormSetProcessCpuPercent::Mode::ChangeLimit : FormSetProcessCpuPercent::Mode::NewLimit;
  FormSetProcessCpuPercent dialog(window(), mode, QString::fromUtf8(pid.data(), static_cast<qsizetype>(pid.size())),
                                  QString::fromStdString(path), ModuleGetFileIcon::GetFileIcon(icons_, path, false),
                                  sliderStart);
  dialogOpened_(&dialog);
  dialog.exec();
  DialogResult result;
  result.percent = dialog.Percent();
  switch (dialog.Result()) {
    case FormSetProcessCpuPercent::Outcome::Ok: result.outcome = Outcome::Ok; break;
    case FormSetProcessCpuPercent::Outcome::Adjustment: result.outcome = Outcome::Adjustment; break;
    case FormSetProcessCpuPercent::Outcome::Release: result.outcome = Outcome::Release; break;
    case FormSetProcessCpuPercent::Outcome::Cancel: result.outcome = Outcome::Cancel; break;
  }
  return result;
}

void CpuPage::Warn(std::string_view text) {
  widgets::ShowMessage(window(), QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                       QMessageBox::Warning);
}

}  // namespace tarvelo
