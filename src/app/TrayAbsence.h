#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QMessageBox;
class QWidget;

namespace tarvelo {

// Closing the main window hides it into the notification area. Without a tray
// host that would strand it, so the window is minimised instead, and the user
// is told once why. The host is asked at every close: once one appears the
// usual hiding comes back by itself.
class TrayAbsence : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kNotice =
      "There is no notification area on this desktop, so Tarvelo cannot hide there. "
      "Closing its window minimises it instead.";

  // hostAvailable tells whether a tray host shows the program's icon now.
  TrayAbsence(QWidget& window, std::function<bool()> hostAvailable, QObject* parent = nullptr);
  ~TrayAbsence() override;

  // True when the window may hide; otherwise minimises it and, the first time,
  // shows the notice (without waiting for it).
  bool MayHide();
  // The window was hidden into the notification area: should the tray host
  // go away meanwhile, the window comes back minimised rather than stay
  // beyond reach.
  void WatchWhileHidden();

  static constexpr int kWatchIntervalMs = 2000;
  static constexpr int kMissesBeforeShowing = 3;

 signals:
  // The user chose "Exit" in the notice.
  void ExitChosen();

 private:
  QWidget& window_;
  std::function<bool()> hostAvailable_;
  QPointer<QMessageBox> notice_;
  QTimer* watch_;
  bool told_ = false;
  int missed_ = 0;  // checks in a row without a tray host
};

}  // namespace tarvelo
