#pragma once

#include <optional>

namespace tarvelo {

// The notification-area icon as the tray logic drives it.
class TrayIconView {
 public:
  virtual ~TrayIconView() = default;
  // Puts the icon into the notification area with the tooltip "Tarvelo" and
  // the picture of the icon file; without a readable file it has no picture.
  virtual void Add() = 0;
  // Gives the icon the picture of animation frame `frame` (1 to 6).
  virtual void ShowFrame(int frame) = 0;
  // Takes the icon out of the notification area.
  virtual void Remove() = 0;
};

// The frame after `frame` in the animation 1, 2, ..., 6, 1; nothing for a
// value outside 1 to 6.
std::optional<int> NextTrayFrame(int frame);

// The tray icon and its animation: TimerTrayIcon steps through six frames.
class ModuleTrayIcon {
 public:
  static constexpr int kFrameCount = 6;
  static constexpr int kTimerTrayIconMs = 990;

  explicit ModuleTrayIcon(TrayIconView& view) : view_(view) {}

  void AddTrayIcon() { view_.Add(); }
  // Shows frame n, 1 to 6; any other number is ignored.
  void SetTrayFrame(int n);
  void DeleteTrayIcon() { view_.Remove(); }

  // One tick of TimerTrayIcon: the counter moves to the next frame, then that
  // frame is shown. A counter outside 1 to 6 stays as it is and shows nothing.
  void TimerTrayIcon();

  // The frame shown last; start-up sets it to 1.
  int TrayFrame = 1;

 private:
  TrayIconView& view_;
};

}  // namespace tarvelo
