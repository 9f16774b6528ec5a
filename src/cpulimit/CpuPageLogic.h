#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "forms/FormView.h"

namespace platform {
class ProcessTable;
}

namespace tarvelo {

class CpuLimitControl;
struct ProcessRow;

// What the "2 - Speed up CPU" page asks of the window that shows it: the
// rows' icons, the limit dialog and a warning, each in its system's way.
class CpuPageHost {
 public:
  enum class Outcome { Ok, Adjustment, Release, Cancel };
  struct DialogResult {
    Outcome outcome = Outcome::Cancel;
    int percent = 0;
  };

  virtual ~CpuPageHost() = default;
  // The rows' icons are forgotten with the rows.
  virtual void ClearRowIcons() = 0;
  // The icon of the program at path for the row (iconKey names it in the
  // list's image list).
  virtual void SetRowIcon(int row, const std::string& path, const std::string& iconKey) = 0;
  // The limit dialog for a process, modal. changeLimit: "Adjustment" and
  // "Release" rather than "OK" and "Cancel".
  virtual DialogResult RunLimitDialog(bool changeLimit, std::string_view pid, const std::string& path,
                                      int sliderStart) = 0;
  virtual void Warn(std::string_view text) = 0;
};

// What the "2 - Speed up CPU" page does, whichever window shows it: the
// running processes, and up to three CPU limits set through the dialog.
class CpuPageLogic {
 public:
  // The columns of ListViewProcesses.
  enum Column { kId = 0, kPid = 1, kProcess = 2, kLimit = 3 };

  CpuPageLogic(form::FormView& view, CpuPageHost& host, platform::ProcessTable& processes, CpuLimitControl& limits)
      : view_(view), host_(host), processes_(processes), limits_(limits) {}

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
  // Where no process can be limited here at all, says so before anyone tries.
  void UpdateLimitNotice();

 private:
  void FillList(const std::vector<ProcessRow>& rows);
  void ReconcileLimitSlots();
  void ShowRowLimit(int row, std::int32_t pid);
  std::int32_t PidOf(int row) const;

  form::FormView& view_;
  CpuPageHost& host_;
  platform::ProcessTable& processes_;
  CpuLimitControl& limits_;
  // Each row's executable name as the system gives it, for finding the
  // process's path again; the list shows it made safe.
  std::vector<std::string> names_;
};

}  // namespace tarvelo
