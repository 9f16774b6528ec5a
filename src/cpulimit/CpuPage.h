#pragma once

#include <QHash>
#include <QIcon>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cpulimit/CpuPageLogic.h"
#include "widgets/PagePanel.h"
#include "widgets/QtFormView.h"

class QDialog;

namespace platform {
class FileIcons;
class ProcessTable;
}  // namespace platform
namespace tarvelo::widgets {
class Label;
class ListView;
}  // namespace tarvelo::widgets
namespace tarvelo::button {
class Command;
}

namespace tarvelo {

class CpuLimitControl;
struct ProcessRow;

// The "2 - Speed up CPU" page: the running processes with their icons, and
// up to three CPU limits set through the limit dialog.
class CpuPage : public widgets::PagePanel, private CpuPageHost {
  Q_OBJECT

 public:
  // dialogOpened tells the main window which limit dialog is open, so that
  // the tray and the program's end can respect and close it.
  CpuPage(QWidget* parent, int widthTwips, int heightTwips, platform::ProcessTable& processes,
          platform::FileIcons& icons, CpuLimitControl& limits, std::function<void(QDialog*)> dialogOpened);

  // "Refresh": a fresh list, then the limits shown on their rows and the
  // slots of processes that ended freed, their caps lifted.
  void Refresh();
  // The same for rows read earlier (the start-up fill, shown when the page
  // is first built).
  void ShowProcessList(const std::vector<ProcessRow>& rows);
  // "Limit" and a double-click: the dialog for the selected row.
  void OpenLimitDialog();
  void ShowLimitedCount(int count);
  // Rows whose limit was freed (its process ended) show none.
  void ClearFreedLimits();

  CpuPageLogic& Logic() { return logic_; }

  widgets::Label* Label22;
  widgets::Label* Label21;
  widgets::Label* Label39;
  widgets::Label* Label24;
  widgets::Label* LabelCPULimitedCount;
  widgets::ListView* ListViewProcesses;
  button::Command* CommandRefreshProcess;
  button::Command* CommandLimitProcessCPU;
  // Where no process can be limited here at all, says so before anyone tries.
  widgets::Label* LabelLimitNotice;
  // The rows' icons by key ("P2", "P3", ...), refilled with the list.
  QHash<QString, QIcon> ImageListProcesses;

  // The columns of ListViewProcesses.
  enum Column { kId = CpuPageLogic::kId, kPid = CpuPageLogic::kPid, kProcess = CpuPageLogic::kProcess,
                kLimit = CpuPageLogic::kLimit };

 private:
  void ClearRowIcons() override;
  void SetRowIcon(int row, const std::string& path, const std::string& iconKey) override;
  DialogResult RunLimitDialog(bool changeLimit, std::string_view pid, const std::string& path,
                              int sliderStart) override;
  void Warn(std::string_view text) override;

  platform::FileIcons& icons_;
  std::function<void(QDialog*)> dialogOpened_;
  // One icon lookup per program and fill: many processes run the same one.
  std::unordered_map<std::string, QIcon> iconOfPath_;
  widgets::QtFormView view_{*this};
  CpuPageLogic logic_;
};

}  // namespace tarvelo
