#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

#include "app/ModuleAd.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace tarvelo::widgets {
class Label;
}

namespace tarvelo {

// The advertisement banner LabelAd: TimerAd polls the product site until a
// text arrives, the text shows in the banner (as plain text), and a click on
// it opens the advertised page. The download never holds up the window: it
// runs in the background, one at a time, and gives up after a timeout, a few
// redirects, or at a reply too large to be an advertisement. Polls that bring
// nothing come ever less often (ModuleAd::PollBackoff) until the window shows
// again.
class AdBanner : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTimeoutMs = 5000;

  // While dialogVisible() holds, the poll does nothing. The window that holds
  // labelAd is watched for being shown again.
  AdBanner(widgets::Label* labelAd, QTimer* timerAd, std::function<bool()> dialogVisible, const QUrl& adAddress,
           const QUrl& pageAddress, QObject* parent);

  // Starts fetching the advertisement text; the answer comes as Downloaded.
  // Returns false, starting nothing, while an earlier download still runs.
  bool DownloadAdText();
  bool Downloading() const { return !reply_.isNull(); }
  const ModuleAd::PollBackoff& Backoff() const { return backoff_; }
  void SetTimeoutMs(int ms) { timeoutMs_ = ms; }

 signals:
  // The banner text, or "" when there is none or anything failed.
  void Downloaded(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TimerAdTick();
  void ReadReply();
  void FinishReply();
  void ShowText(const QString& text);

  widgets::Label* labelAd_;
  QTimer* timerAd_;
  std::function<bool()> dialogVisible_;
  QUrl adAddress_;
  QUrl pageAddress_;
  QNetworkAccessManager* network_;
  QTimer* deadline_;
  QPointer<QNetworkReply> reply_;
  QByteArray body_;
  bool rejected_ = false;  // too large, or timed out
  ModuleAd::PollBackoff backoff_;
  int timeoutMs_ = kTimeoutMs;
};

}  // namespace tarvelo
