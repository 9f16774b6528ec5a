#include "monitor/CpuMonitor.h"

#include <QAccessible>
#include <QImage>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "widgets/MessageBox.h"
#include "widgets/SurfaceImage.h"

namespace tarvelo::monitor {

CpuMonitor::CpuMonitor(QWidget* parent, const QString& name, MonitorPlatform platform, Mode mode)
    : QWidget(parent),
      timer1_(new QTimer(this)),
      model_(
          [&] {
            // The legacy counter's failure is told once, not stacked tick after tick.
            platform.showMessage = [this](std::string_view text) {
              if (messageShown_) return;
              messageShown_ = true;
              widgets::ShowMessage(this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
              messageShown_ = false;
            };
            return std::move(platform);
          }(),
          *this, mode == Mode::Run) {
  setObjectName(name);
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer1_->setObjectName("Timer1");
  connect(timer1_, &QTimer::timeout, this, [this] { model_.Timer1Tick(); });
}

CpuMonitor::~CpuMonitor() = default;

void CpuMonitor::InitProperties() {
  model_.Resize(width(), height());
  model_.InitProperties();
  setEnabled(model_.Enabled());
}

void CpuMonitor::ReadProperties(const PropertyBag& bag) {
  model_.Resize(width(), height());
  model_.ReadProperties(bag);
  setEnabled(model_.Enabled());
  model_.RedrawDiagram();  // the first picture, as a host's sizing of the loaded control draws it
}

QString CpuMonitor::FormatFilesize(double nValue) {
  const QLocale locale;
  const NumberFormat format{locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()};
  return QString::fromStdString(CpuMonitorModel::FormatFilesize(nValue, format));
}

// ---- Host of the model

bool CpuMonitor::SetTimerInterval(int milliseconds) {
  if (milliseconds < 0) return false;
  interval_ = milliseconds;
  SetTimerEnabled(timerEnabled_);
  return true;
}

void CpuMonitor::SetTimerEnabled(bool enabled) {
  timerEnabled_ = enabled;
  // An interval of 0 means a timer that does not fire, not one that fires
  // whenever the event loop is idle.
  if (enabled && interval_ > 0) timer1_->start(interval_);
  else timer1_->stop();
}

void CpuMonitor::RaisePropertyChanged(std::string_view name) {
  if (name == "Enabled") setEnabled(model_.Enabled());
  emit PropertyChanged(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void CpuMonitor::Present() { update(); }

void CpuMonitor::RaiseUpdate(const SystemLevelsReport& report) {
  if (lastReport_ != report) {
    lastReport_ = report;
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
  }
  const SystemLevels& l = report.sample;
  emit Update(report.CPULoadPercent, report.MemoryLoadPercent, l.PhysicalMemoryTotal, l.PhysicalMemoryAvailable,
              l.PhysicalMemoryAvailablePercent, l.PageFileTotal, l.PageFileAvailable, l.PageFileAvailablePercent,
              l.VirtualMemoryTotal, l.VirtualMemoryAvailable, l.VirtualMemoryAvailablePercent, l.HDTotalBytes,
              l.HDTotalFreeBytes, l.HDAvailableFreeBytes, l.HDTotalBytesUsed, l.HDAvailablePercent);
}

// ---- Events

void CpuMonitor::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  model_.Resize(width(), height());
}

void CpuMonitor::mouseDoubleClickEvent(QMouseEvent* event) {
  QWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit DblClick();
}

void CpuMonitor::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBorder(painter);
  const raster::PixelSurface& surface = model_.Surface();
  if (surface.Width() == 0 || surface.Height() == 0) return;
  // An opaque image: one whose alpha is left 0 draws nothing on a backing
  // store with alpha, as Wayland's are. Above 1x the diagram is drawn again
  // at device pixels, not scaled up.
  const qreal ratio = widgets::PaintDeviceRatio(painter);
  QImage image;
  if (ratio == 1.0) {
    image = widgets::SurfaceImage(surface);
  } else {
    raster::PixelSurface device;
    device.Resize(qRound(surface.Width() * ratio), qRound(surface.Height() * ratio));
    model_.DrawDiagramAt(device, ratio);
    image = widgets::SurfaceImage(device, ratio);
  }
  const int border = model_.BorderWidth();
  painter.drawImage(QPoint(border, border), image);
}

void CpuMonitor::PaintBorder(QPainter& painter) {
  // Edges as filled pixel rows and columns, so that at any device pixel
  // ratio they are as wide as one pixel and meet the diagram without a gap.
  const QRect r = rect();
  auto edge = [&](const QRect& box, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), topLeft);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), topLeft);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), bottomRight);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), bottomRight);
  };
  switch (model_.BorderWidth()) {
    case 1:  // flat, fixed single: a black line
      edge(r, Qt::black, Qt::black);
      break;
    case 2:  // three-dimensional: a sunken edge
      edge(r, QColor(160, 160, 160), Qt::white);
      edge(r.adjusted(1, 1, -1, -1), QColor(105, 105, 105), QColor(227, 227, 227));
      break;
    default:
      break;
  }
}

}  // namespace tarvelo::monitor
