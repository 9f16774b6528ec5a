#include "e2e/Pages.h"

#include <QFile>
#include <cstdlib>

namespace tarvelo::e2e {

namespace {

// In the limit dialog.
constexpr QPoint kDialogOk(136 + 44, 176 + 12);
constexpr QPoint kDialogModify(136 + 44, 144 + 12);
constexpr QPoint kDialogRelease(240 + 44, 144 + 12);
constexpr QPoint kDialogSlider(130, 100);

}  // namespace

std::optional<Window> WindowOfSize(const QList<ShownWindow>& windows, QSize size) {
  for (const ShownWindow& shown : windows) {
    if (shown.geometry.size() == size) return shown.window;
  }
  return std::nullopt;
}

std::optional<Window> MessageBox(const QList<ShownWindow>& windows) {
  for (const ShownWindow& shown : windows) {
    const QSize size = shown.geometry.size();
    if (size != kMainWindowSize && size != kLimitDialogSize) return shown.window;
  }
  return std::nullopt;
}

std::optional<Window> WindowOfSize(const Tarvelo& tarvelo, QSize size) {
  return WindowOfSize(tarvelo.ShownWindows(), size);
}

std::optional<Window> MessageBox(const Tarvelo& tarvelo) { return MessageBox(tarvelo.ShownWindows()); }

void SelectRow(const Window& main, int row) {
  QStringList steps{"mousemove", "--window", main.id, QString::number(kFirstRow.x()), QString::number(kFirstRow.y()),
                    "click", "1", "windowactivate", "--sync", main.id, "key", "Home"};
  if (row > 0) steps << "key" << "--repeat" << QString::number(row) << "--delay" << "5" << "Down";
  RunTool("xdotool", steps);
}

void SelectPid(const Window& main, pid_t pid) {
  RunTool("xdotool", {"mousemove", "--window", main.id, QString::number(kFirstRowPid.x()),
                      QString::number(kFirstRowPid.y()), "click", "1", "windowactivate", "--sync", main.id, "type",
                      "--delay", "0", QString::number(pid)});
}

bool LimitDialog::Limit(int percent) { return Press(kDialogOk, percent); }
bool LimitDialog::Adjust(int percent) { return Press(kDialogModify, percent); }
bool LimitDialog::Release() { return Press(kDialogRelease, 0); }

bool LimitDialog::Press(QPoint button, int percent) {
  main_.Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> dialog;
  if (!WaitFor([&] { return (dialog = WindowOfSize(tarvelo_, kLimitDialogSize)).has_value(); })) return false;
  // One xdotool run: the slider, then the button.
  QStringList steps;
  if (percent > 0 && percent != 99) {
    // From 1 %, steps of ten, then single steps; typed in one go once the
    // dialog has the keyboard, so that no key reaches another window.
    steps << "mousemove" << "--window" << dialog->id << QString::number(kDialogSlider.x())
          << QString::number(kDialogSlider.y()) << "click" << "1";
    steps << "windowactivate" << "--sync" << dialog->id << "key" << "--delay" << "30" << "Home";
    const int tens = (percent - 1 + 5) / 10;
    const int rest = percent - 1 - tens * 10;
    for (int step = 0; step < tens; ++step) steps << "Prior";
    for (int step = 0; step < std::abs(rest); ++step) steps << (rest > 0 ? "Right" : "Left");
  }
  steps << "mousemove" << "--window" << dialog->id << QString::number(button.x()) << QString::number(button.y())
        << "click" << "1";
  RunTool("xdotool", steps);
  if (WaitFor([&] { return !WindowOfSize(tarvelo_, kLimitDialogSize); })) return true;
  // The button was not there (the dialog came in the other mode): Escape
  // closes it, so that it does not stand in front of the next step.
  dialog->Key("Escape");
  WaitFor([&] { return !WindowOfSize(tarvelo_, kLimitDialogSize); });
  return false;
}

bool EnableBooster(const Tarvelo& tarvelo, const Window& main) {
  main.Click(120, (2540 * 2 + 15) / 30 + 18);
  main.Click(256 + 80 + 7, 144 + 104 + 8);
  return WaitFor([&] {
    QFile file(tarvelo.ConfigFile());
    return file.open(QIODevice::ReadOnly) && file.readAll().contains("EnableImproveProcess=1");
  });
}

}  // namespace tarvelo::e2e
