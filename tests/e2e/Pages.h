#pragma once

#include <sys/types.h>

#include <QPoint>
#include <QSize>
#include <optional>

#include "e2e/XSession.h"

namespace tarvelo::e2e {

// Places of the controls, in window coordinates. The CPU page's panel is at
// (256, 144).
inline constexpr QPoint kCpuEntry(120, 204 + 18);
inline constexpr QPoint kFirstRow(256 + 25 + 60, 144 + 113 + 30);
// The same row's PID column.
inline constexpr QPoint kFirstRowPid(256 + 25 + 94 + 40, 144 + 113 + 30);
inline constexpr QPoint kRefreshButton(256 + 56 + 48, 144 + 336 + 12);
inline constexpr QPoint kLimitButton(256 + 168 + 48, 144 + 336 + 12);
inline constexpr QSize kMainWindowSize(786, 557);
inline constexpr QSize kLimitDialogSize(474, 237);

std::optional<Window> WindowOfSize(const Tarvelo& tarvelo, QSize size);
std::optional<Window> WindowOfSize(const QList<ShownWindow>& windows, QSize size);
// A window of the program that is neither its main window nor the limit
// dialog: a message box.
std::optional<Window> MessageBox(const Tarvelo& tarvelo);
std::optional<Window> MessageBox(const QList<ShownWindow>& windows);

// Selects a row of the process list: the first row, Home, then Down.
void SelectRow(const Window& main, int row);
// Selects the row of a process by its PID: a click in the PID column, then
// the PID typed, which the list finds in that column. Counting rows cannot
// do this while other processes start and end.
void SelectPid(const Window& main, pid_t pid);

// Drives the limit dialog of the selected row.
class LimitDialog {
 public:
  LimitDialog(const Tarvelo& tarvelo, const Window& main) : tarvelo_(tarvelo), main_(main) {}

  // NewLimit mode: the slider, then OK.
  bool Limit(int percent);
  // ChangeLimit mode: the slider, then Adjustment; or Release.
  bool Adjust(int percent);
  bool Release();

 private:
  bool Press(QPoint button, int percent);

  const Tarvelo& tarvelo_;
  const Window& main_;
};

// "1 - Speed up process", then its check box; true once the setting is written.
bool EnableBooster(const Tarvelo& tarvelo, const Window& main);

}  // namespace tarvelo::e2e
