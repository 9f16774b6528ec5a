#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "monitor/CpuMonitorModel.h"

namespace tarvelo::monitor {

// The system diagram as a window of the Windows program: the model samples on
// a window timer and its picture is copied to the window as it is drawn.
class WinCpuMonitor : private CpuMonitorHost {
 public:
  // Makes the diagram window as a child of parent at rect (pixels); the
  // window owns the object and deletes it when it is destroyed.
  static WinCpuMonitor* Create(HWND parent, const RECT& rect, int id, MonitorPlatform platform);
  static WinCpuMonitor* Of(HWND window);

  HWND Handle() const { return window_; }
  CpuMonitorModel& Model() { return model_; }
  // Loads the saved properties, draws the first picture and starts sampling.
  void ReadProperties(const PropertyBag& bag);
  // Runs on every sample with its report.
  void OnUpdate(std::function<void(const SystemLevelsReport&)> update) { update_ = std::move(update); }

 private:
  WinCpuMonitor(HWND window, MonitorPlatform platform);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc) const;
  void PaintBorder(HDC dc, const RECT& r) const;

  bool SetTimerInterval(int milliseconds) override;
  void SetTimerEnabled(bool enabled) override;
  void RaisePropertyChanged(std::string_view name) override;
  void Present() override;
  void RaiseUpdate(const SystemLevelsReport& levels) override;
  bool PictureShown() const override;

  HWND window_;
  CpuMonitorModel model_;
  int interval_ = 0;
  bool timerEnabled_ = false;
  std::function<void(const SystemLevelsReport&)> update_;
};

}  // namespace tarvelo::monitor
