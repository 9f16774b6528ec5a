#pragma once

namespace tarvelo {

// What the user did on the tray icon, as the tray host reports it.
enum class TrayActivation { Trigger, DoubleClick, Context, MiddleClick, Other };

// What the program does about it.
enum class TrayCommand { None, ShowMainWindow, PopUpMenu };

// The windows an activation depends on.
struct TrayWindows {
  bool mainWindowVisible = false;  // shown; a minimised window counts as shown
  bool cpuLimitDialogVisible = false;
};

// The rules for the icon's clicks. A double click shows the main window in its
// normal size, but only when it is hidden; a right click pops up the tray
// menu. Both do nothing while the CPU-limit dialog is open. Hosts that speak
// StatusNotifierItem report a click as one single activation and never a
// double click (singleActivationHost): there the single activation stands for
// the double click. Everything else does nothing.
TrayCommand MainWindowProc(TrayActivation activation, const TrayWindows& windows, bool singleActivationHost);

}  // namespace tarvelo
