#pragma once

#include <QWidget>
#include <optional>

#include "monitor/CpuMonitorModel.h"

class QTimer;

namespace tarvelo::monitor {

// The system monitor control: a small bordered diagram of CPU load, memory
// load, page file and virtual memory use and free disk space, sampled on its
// own timer Timer1. Its properties and methods are those of Model(); the
// widget adds the border, the timer and the two events.
class CpuMonitor : public QWidget, private CpuMonitorHost {
  Q_OBJECT

 public:
  enum class Mode { Run, Design };

  CpuMonitor(QWidget* parent, const QString& name, MonitorPlatform platform, Mode mode = Mode::Run);
  ~CpuMonitor() override;

  // A control placed for the first time: defaults, not monitoring.
  void InitProperties();
  // A control loaded from its saved state: it starts monitoring. Set the
  // geometry first; the history is sized from it.
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

  CpuMonitorModel& Model() { return model_; }
  const CpuMonitorModel& Model() const { return model_; }

  void Refresh() { model_.Refresh(); }
  void Reset() { model_.Reset(); }
  SystemLevelsReport GetCurrentSystemLevels() { return model_.GetCurrentSystemLevels(); }
  // nValue with a unit, in the digit grouping and decimal mark of the locale.
  static QString FormatFilesize(double nValue);

  // The figures of the latest sample, for assistive tools; none before the first.
  const std::optional<SystemLevelsReport>& LastReport() const { return lastReport_; }

  // The window of the surface (the native window that holds it).
  WId hWnd() const { return effectiveWinId(); }
  QTimer* Timer1() const { return timer1_; }

 signals:
  void Update(int CPULoadPercent, int MemoryLoadPercent, qint64 PhysicalMemoryTotal, qint64 PhysicalMemoryAvailable,
              float PhysicalMemoryAvailablePercent, qint64 PageFileTotal, qint64 PageFileAvailable,
              float PageFileAvailablePercent, qint64 VirtualMemoryTotal, qint64 VirtualMemoryAvailable,
              float VirtualMemoryAvailablePercent, qint64 HDTotalBytes, qint64 HDTotalFreeBytes,
              qint64 HDAvailableFreeBytes, qint64 HDTotalBytesUsed, float HDAvailablePercent);
  void DblClick();
  // A property changed (its saved-state key).
  void PropertyChanged(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // CpuMonitorHost
  bool SetTimerInterval(int milliseconds) override;
  void SetTimerEnabled(bool enabled) override;
  void RaisePropertyChanged(std::string_view name) override;
  void Present() override;
  void RaiseUpdate(const SystemLevelsReport& levels) override;
  // A hidden window or page draws nothing; its first paint draws the picture.
  bool PictureShown() const override { return isVisible(); }

  void PaintBorder(QPainter& painter);

  QTimer* timer1_;
  int interval_ = 0;  // Timer1 fires only with an interval above 0
  bool timerEnabled_ = true;
  bool messageShown_ = false;
  std::optional<SystemLevelsReport> lastReport_;
  CpuMonitorModel model_;
};

}  // namespace tarvelo::monitor
