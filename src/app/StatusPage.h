#pragma once

#include "app/StatusPageLogic.h"
#include "widgets/PagePanel.h"
#include "widgets/QtFormView.h"

namespace platform {
struct Platform;
}

namespace tarvelo::monitor {
class CpuMonitor;
}

namespace tarvelo::widgets {
class Label;
class Picture;
class Shape;
}  // namespace tarvelo::widgets

namespace tarvelo {

// The Status page: what the three ways of speeding up are doing, and the
// system resource diagram. It only shows what the features tell it.
class StatusPage : public widgets::PagePanel {
  Q_OBJECT

 public:
  // The diagram samples the system through platform.
  StatusPage(QWidget* parent, int widthTwips, int heightTwips, platform::Platform& platform);

  // The clock, as text.
  void ShowTime(const QString& text);
  // The window being sped up.
  void ShowBoost(const QString& title);
  // The "Whole system faster:" figure, once measured.
  void ShowFasterFigure(const QString& figure);
  // The number of processes with a CPU limit.
  void ShowLimitedCount(int count);
  // The used memory in percent, "NN%".
  void ShowMemoryUsage(const QString& text);

  // "Speed up status"
  widgets::Label* Label36;
  widgets::Shape* Shape11;
  widgets::Picture* Image1;
  widgets::Label* Label35;
  widgets::Label* LabelTime;
  widgets::Label* Label1;
  widgets::Label* LabelSpeed;
  widgets::Label* Label2;
  widgets::Label* LabelStateNowImproving;
  widgets::Label* Label5;
  widgets::Label* LabelStateProcessLimited;
  widgets::Label* Label6;
  widgets::Label* LabelStateMemoryState;

  // "System resource status": the heading, the diagram and its legend.
  widgets::Label* Label7;
  monitor::CpuMonitor* CpuMonitorState;
  widgets::Shape* Shape1;
  widgets::Label* Label14;
  widgets::Shape* Shape2;
  widgets::Label* Label15;
  widgets::Shape* Shape3;
  widgets::Label* Label16;
  widgets::Shape* Shape5;
  widgets::Label* Label18;
  widgets::Shape* Shape4;
  widgets::Label* Label17;

  StatusPageLogic& Logic() { return logic_; }

 private:
  widgets::QtFormView view_{*this};
  StatusPageLogic logic_{view_};
};

}  // namespace tarvelo
