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

std::optional<Window> WindowOfSize(const Tarvelo& tarvelo, QSize size) {
  for (const Window& w : tarvelo.Windows()) {
    if (w.Geometry().size() == size) return w;
  }
  return std::nullopt;
}

std::optional<Window> MessageBox(const Tarvelo& tarvelo) {
  for (const Window& w : tarvelo.Windows()) {
    const QSize size = w.Geometry().size();
    if (size != kMainWindowSize && size != kLimitDialogSize) return w;
  }
  return std::nullopt;
}

void SelectRow(const Window& main, int row) {
  main.Click(kFirstRow.x(), kFirstRow.y());
  main.Key("Home");
  if (row > 0) RunTool("xdotool", {"key", "--repeat", QString::number(row), "--delay", "5", "Down"});
}

bool LimitDialog::Limit(int percent) { return Press(kDialogOk, percent); }
bool LimitDialog::Adjust(int percent) { return Press(kDialogModify, percent); }
bool LimitDialog::Release() { return Press(kDialogRelease, 0); }

bool LimitDialog::Press(QPoint button, int percent) {
  main_.Click(kLimitButton.x(), kLimitButton.y());
  std::optional<Window> dialog;
  if (!WaitFor([&] { return (dialog = WindowOfSize(tarvelo_, kLimitDialogSize)).has_value(); })) return false;
  if (percent > 0 && percent != 99) {
    // From 1 %, steps of ten, then single steps; typed in one go once the
    // dialog has the keyboard, so that no key reaches another window.
    dialog->Click(kDialogSlider.x(), kDialogSlider.y());
    QStringList keys{"windowactivate", "--sync", dialog->id, "key", "--delay", "30", "Home"};
    const int tens = (percent - 1 + 5) / 10;
    const int rest = percent - 1 - tens * 10;
    for (int step = 0; step < tens; ++step) keys << "Prior";
    for (int step = 0; step < std::abs(rest); ++step) keys << (rest > 0 ? "Right" : "Left");
    RunTool("xdotool", keys);
  }
  dialog->Click(button.x(), button.y());
  return WaitFor([&] { return !WindowOfSize(tarvelo_, kLimitDialogSize); });
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
