#include "app/TrayAbsence.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace tarvelo {

TrayAbsence::TrayAbsence(QWidget& window, std::function<bool()> hostAvailable, QObject* parent)
    : QObject(parent), window_(window), hostAvailable_(std::move(hostAvailable)), watch_(new QTimer(this)) {
  setObjectName("TrayAbsence");
  watch_->setInterval(kWatchIntervalMs);
  connect(watch_, &QTimer::timeout, this, [this] {
    if (window_.isVisible()) {
      watch_->stop();  // shown again by other means
      return;
    }
    // A panel that restarts is gone for a moment only: wait for it a while.
    missed_ = hostAvailable_() ? 0 : missed_ + 1;
    if (missed_ < kMissesBeforeShowing) return;
    watch_->stop();
    MayHide();
  });
}

void TrayAbsence::WatchWhileHidden() {
  missed_ = 0;
  watch_->start();
}

TrayAbsence::~TrayAbsence() { delete notice_; }

bool TrayAbsence::MayHide() {
  if (hostAvailable_()) return true;
  window_.showMinimized();
  if (told_) return false;
  told_ = true;
  // Not a child of the window: a window manager hides a minimised window's dialogs with it.
  notice_ = new QMessageBox(QMessageBox::Information, "Tarvelo", kNotice, QMessageBox::Ok);
  notice_->setObjectName("TrayAbsenceNotice");
  notice_->setTextFormat(Qt::PlainText);
  notice_->setAttribute(Qt::WA_DeleteOnClose);
  notice_->setWindowModality(Qt::ApplicationModal);
  // Without the tray's menu this is a way to end the program without a terminal.
  QPushButton* exit = notice_->addButton("Exit", QMessageBox::DestructiveRole);
  exit->setObjectName("Exit");
  connect(exit, &QPushButton::clicked, this, &TrayAbsence::ExitChosen, Qt::QueuedConnection);
  notice_->setDefaultButton(QMessageBox::Ok);
  notice_->show();
  return false;
}

}  // namespace tarvelo
