#include "tray/ModuleSubClass.h"

namespace tarvelo {

TrayCommand MainWindowProc(TrayActivation activation, const TrayWindows& windows, bool singleActivationHost) {
  const bool showRequest = activation == TrayActivation::DoubleClick ||
                           (singleActivationHost && activation == TrayActivation::Trigger);
  if (showRequest) {
    if (windows.mainWindowVisible || windows.cpuLimitDialogVisible) return TrayCommand::None;
    return TrayCommand::ShowMainWindow;
  }
  if (activation == TrayActivation::Context) {
    return windows.cpuLimitDialogVisible ? TrayCommand::None : TrayCommand::PopUpMenu;
  }
  return TrayCommand::None;
}

}  // namespace tarvelo
