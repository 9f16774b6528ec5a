#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/PropertyBag.h"
#include "monitor/FormatFilesize.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "monitor/SystemLevels.h"
#include "raster/PixelSurface.h"

namespace tarvelo::monitor {

using raster::Color;

// Property defaults of a new control.
inline constexpr Color kDefaultBackColor = 0;
inline constexpr int kDefaultAppearance = 1;   // three-dimensional
inline constexpr int kDefaultBorderStyle = 1;  // fixed single
inline constexpr Color kDefaultCPUMonitorColor = 65280;         // green
inline constexpr Color kDefaultMemoryLoadColor = 65535;         // yellow
inline constexpr Color kDefaultPageFileColor = 255;             // red
inline constexpr Color kDefaultVirtualMemoryColor = 16711680;   // blue
inline constexpr Color kDefaultDisplayGridColor = 32768;        // dark green
inline constexpr Color kDefaultHDMonitorColor = 16744703;       // pink
inline constexpr int kDefaultUpdateInterval = 1000;
inline constexpr int kDefaultDiagramStyle = 0;
// The disk curve is always drawn in this colour.
inline constexpr Color kDiskCurveColor = 16744703;

// DiagramStyle values; any other value draws no curves.
inline constexpr int kStyleLines = 0;
inline constexpr int kStylePoints = 1;
inline constexpr int kStyleBars = 2;

// What the control needs from the window system around it.
class CpuMonitorHost {
 public:
  virtual ~CpuMonitorHost() = default;
  // Timer1's interval in milliseconds (0: it does not fire); false when the
  // timer refuses the value and keeps its own.
  virtual bool SetTimerInterval(int milliseconds) = 0;
  virtual void SetTimerEnabled(bool enabled) = 0;
  // A property changed; name is its saved-state key.
  virtual void RaisePropertyChanged(std::string_view name) = 0;
  // The picture (or the border) changed and is to be shown.
  virtual void Present() = 0;
  // The Update event: the newest sample after a timer tick.
  virtual void RaiseUpdate(const SystemLevelsReport& levels) = 0;
  // Whether the picture can be seen now. While it cannot, redraws wait until
  // the picture is asked for (Surface()); sampling goes on.
  virtual bool PictureShown() const { return true; }
};

// The system monitor control without its window: properties and their saved
// state, the sample history, the timer tick and the diagram, drawn on a pixel
// surface of the control's inner size. In design mode (placed in a designer)
// it neither samples nor draws curves.
class CpuMonitorModel {
 public:
  CpuMonitorModel(MonitorPlatform platform, CpuMonitorHost& host, bool runMode);
  ~CpuMonitorModel();  // stops the CPU counter
  CpuMonitorModel(const CpuMonitorModel&) = delete;
  CpuMonitorModel& operator=(const CpuMonitorModel&) = delete;

  // ---- Life cycle
  // A new control: the defaults, the system's drive, redrawn. Does not start
  // monitoring.
  void InitProperties();
  // A control loaded from its saved state (absent keys take their read
  // defaults, unreadable ones leave the field as it was); starts monitoring.
  void ReadProperties(const PropertyBag& bag);
  // Writes the properties that differ from their defaults.
  void WriteProperties(PropertyBag& bag) const;
  // Starts the timer (run mode), sizes the history, starts the CPU counter and
  // applies the loaded border and enabled state.
  void StartMonitoring();
  // Timer1: one sample, a redraw and the Update event; nothing while disabled
  // or in design mode.
  void Timer1Tick();
  // The control's outer size in pixels. The history follows the inner width,
  // its newest sample staying at the right edge.
  void Resize(int outerWidth, int outerHeight);

  // ---- Methods
  void Refresh();
  // Returns the vertical grid lines to their starting place.
  void Reset();
  // Takes a sample (it stays in the history) and returns it; no redraw, no event.
  SystemLevelsReport GetCurrentSystemLevels();
  static std::string FormatFilesize(double nValue, const NumberFormat& format) {
    return monitor::FormatFilesize(nValue, format);
  }

  // ---- Properties; each setter reports its change to the host.
  Color BackColor() const { return backColor_; }
  void SetBackColor(Color value);
  int Appearance() const { return appearance_; }
  bool SetAppearance(int value);  // 0 flat, 1 three-dimensional; false for others
  int BorderStyle() const { return borderStyle_; }
  bool SetBorderStyle(int value);  // 0 none, 1 fixed single; false for others
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool CPUMonitorDisplayed() const { return cpuMonitorDisplayed_; }
  void SetCPUMonitorDisplayed(bool value);
  bool MemoryLoadDisplayed() const { return memoryLoadDisplayed_; }
  void SetMemoryLoadDisplayed(bool value);
  bool PageFileDisplayed() const { return pageFileDisplayed_; }
  void SetPageFileDisplayed(bool value);
  bool VirtualMemoryDisplayed() const { return virtualMemoryDisplayed_; }
  void SetVirtualMemoryDisplayed(bool value);
  bool HDMonitorDisplayed() const { return hdMonitorDisplayed_; }
  void SetHDMonitorDisplayed(bool value);
  Color CPUMonitorColor() const { return cpuMonitorColor_; }
  void SetCPUMonitorColor(Color value);
  Color MemoryLoadColor() const { return memoryLoadColor_; }
  void SetMemoryLoadColor(Color value);  // reported as "MemoryColor"
  Color PageFileColor() const { return pageFileColor_; }
  void SetPageFileColor(Color value);
  Color VirtualMemoryColor() const { return virtualMemoryColor_; }
  void SetVirtualMemoryColor(Color value);
  Color HDMonitorColor() const { return hdMonitorColor_; }
  void SetHDMonitorColor(Color value);  // no redraw
  const std::string& HDDriveLetter() const { return hdDriveLetter_; }
  // "" is ignored; a longer text becomes the root of the drive of its first
  // letter ("d", kept as it is, "dd" and "d:\x" become "D:\"). No redraw; the
  // next sample reads the new drive.
  void SetHDDriveLetter(std::string_view value);
  bool DisplayGrid() const { return displayGrid_; }
  void SetDisplayGrid(bool value);
  Color DisplayGridColor() const { return displayGridColor_; }
  void SetDisplayGridColor(Color value);
  bool ScrollGrid() const { return scrollGrid_; }
  void SetScrollGrid(bool value);
  int UpdateInterval() const { return updateInterval_; }
  // Stored even when the timer refuses it (then false, and not reported).
  bool SetUpdateInterval(int value);
  int DiagramStyle() const { return diagramStyle_; }
  void SetDiagramStyle(int value);

  // ---- The picture and the state behind it
  // Draws the picture and presents it; while the host does not show it, only
  // notes that the picture is out of date.
  void RedrawDiagram();
  // The diagram as RedrawDiagram draws it, on a target `scale` times the
  // surface's size: for a screen's device pixels. Grid and rows follow the
  // target's size; each sample spans `scale` columns.
  void DrawDiagramAt(raster::PixelSurface& target, double scale) const;
  void TakeSample();
  // The picture, brought up to date first if a redraw waited.
  const raster::PixelSurface& Surface() const;
  // True while a redraw waits for the picture to be shown.
  bool RedrawPending() const { return redrawPending_; }
  int ScaleWidth() const { return surface_.Width(); }
  int ScaleHeight() const { return surface_.Height(); }
  // Border thickness in pixels on each side.
  int BorderWidth() const;
  bool RunMode() const { return runMode_; }
  const std::vector<SystemLevels>& LevelHistory() const { return history_; }
  int FirstSampleIndex() const { return firstSampleIndex_; }
  int GridOffset() const { return gridOffset_; }
  bool PlatformIsNT() const { return platformIsNT_; }
  // The slot of the newest sample.
  int Last() const;

  // The designer's help text of a member ("" for those without).
  static std::string_view HelpString(std::string_view member);

 private:
  void Report(std::string_view name) { host_.RaisePropertyChanged(name); }
  template <typename T>
  void StoreRedrawReport(T& field, T value, std::string_view name) {
    field = value;
    RedrawDiagram();
    Report(name);
  }
  // Makes the surface the inner size and moves the history with it.
  void FitSurface();
  void DrawDiagram();
  void DrawGrid(raster::PixelSurface& target, double scale) const;
  void DrawCurve(raster::PixelSurface& target, double scale, float SystemLevels::*value, Color color) const;

  MonitorPlatform platform_;
  CpuMonitorHost& host_;
  const bool runMode_;

  // Properties.
  Color backColor_ = kDefaultBackColor;
  int appearance_ = kDefaultAppearance;
  int borderStyle_ = kDefaultBorderStyle;
  bool enabled_ = true;
  bool cpuMonitorDisplayed_ = true;
  bool memoryLoadDisplayed_ = true;
  bool pageFileDisplayed_ = true;
  bool virtualMemoryDisplayed_ = true;
  bool hdMonitorDisplayed_ = true;
  Color cpuMonitorColor_ = kDefaultCPUMonitorColor;
  Color memoryLoadColor_ = kDefaultMemoryLoadColor;
  Color pageFileColor_ = kDefaultPageFileColor;
  Color virtualMemoryColor_ = kDefaultVirtualMemoryColor;
  Color hdMonitorColor_ = kDefaultHDMonitorColor;
  std::string hdDriveLetter_;
  bool displayGrid_ = true;
  Color displayGridColor_ = kDefaultDisplayGridColor;
  bool scrollGrid_ = true;
  int updateInterval_ = kDefaultUpdateInterval;
  int diagramStyle_ = kDefaultDiagramStyle;

  // Read from the saved state, applied when monitoring starts.
  int loadedAppearance_ = kDefaultAppearance;
  int loadedBorderStyle_ = kDefaultBorderStyle;
  bool loadedEnabled_ = true;

  // Geometry and picture.
  int outerWidth_ = 0;
  int outerHeight_ = 0;
  raster::PixelSurface surface_;
  bool redrawPending_ = false;

  // Sampling.
  std::vector<SystemLevels> history_;  // empty until monitoring starts
  int historyLast_ = 0;                // the slot of the newest sample in history_
  int firstSampleIndex_ = 0;
  int gridOffset_ = 0;
  int drawnGridOffset_ = 0;  // the phase of the picture last drawn
  bool platformIsNT_ = true;
};

}  // namespace tarvelo::monitor
