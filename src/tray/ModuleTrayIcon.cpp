#include "tray/ModuleTrayIcon.h"

namespace tarvelo {

std::optional<int> NextTrayFrame(int frame) {
  if (frame < 1 || frame > ModuleTrayIcon::kFrameCount) return std::nullopt;
  return frame % ModuleTrayIcon::kFrameCount + 1;
}

void ModuleTrayIcon::SetTrayFrame(int n) {
  if (n < 1 || n > kFrameCount) return;
  view_.ShowFrame(n);
}

void ModuleTrayIcon::TimerTrayIcon() {
  const std::optional<int> next = NextTrayFrame(TrayFrame);
  if (!next) return;
  TrayFrame = *next;
  SetTrayFrame(TrayFrame);
}

}  // namespace tarvelo
