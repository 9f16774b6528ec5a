#include "app/AdBanner.h"

#include <QEvent>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "app/ModuleAd.h"
#include "widgets/Label.h"
#include "widgets/WebLink.h"

namespace tarvelo {

AdBanner::AdBanner(widgets::Label* labelAd, QTimer* timerAd, std::function<bool()> dialogVisible,
                   const QUrl& adAddress, const QUrl& pageAddress, QObject* parent)
    : QObject(parent),
      labelAd_(labelAd),
      timerAd_(timerAd),
      dialogVisible_(std::move(dialogVisible)),
      adAddress_(adAddress),
      pageAddress_(pageAddress),
      network_(nullptr),
      deadline_(new QTimer(this)) {
  setObjectName("AdBanner");
  deadline_->setSingleShot(true);
  connect(deadline_, &QTimer::timeout, this, [this] {
    rejected_ = true;
    if (reply_) reply_->abort();
  });
  connect(timerAd_, &QTimer::timeout, this, &AdBanner::TimerAdTick);
  connect(this, &AdBanner::Downloaded, this, &AdBanner::ShowText);
  connect(labelAd_, &widgets::Label::Clicked, this, [this] { widgets::OpenWebLink(labelAd_->window(), pageAddress_.toString()); });
  labelAd_->installEventFilter(this);
  if (labelAd_->window() != labelAd_) labelAd_->window()->installEventFilter(this);
}

void AdBanner::TimerAdTick() {
  if (dialogVisible_ && dialogVisible_()) return;
  if (Downloading() || !backoff_.Tick()) return;
  DownloadAdText();
}

bool AdBanner::DownloadAdText() {
  if (reply_) return false;
  if (network_ == nullptr) {
    // Built on the first poll, not at start: the window shows sooner.
    network_ = new QNetworkAccessManager(this);
    network_->setProxy(QNetworkProxy::NoProxy);  // a direct connection, like the product always made
  }
  QNetworkRequest request(adAddress_);
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(ModuleAd::kAgentName.data(),
                                                                 static_cast<qsizetype>(ModuleAd::kAgentName.size())));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setMaximumRedirectsAllowed(ModuleAd::kMaxRedirects);
  body_.clear();
  rejected_ = false;
  reply_ = network_->get(request);
  connect(reply_, &QNetworkReply::readyRead, this, &AdBanner::ReadReply);
  connect(reply_, &QNetworkReply::finished, this, &AdBanner::FinishReply);
  deadline_->start(timeoutMs_);
  return true;
}

void AdBanner::ReadReply() {
  if (!reply_ || rejected_) return;
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  const qint64 room = static_cast<qint64>(ModuleAd::kMaxReplyBytes) - body_.size();
  if ((length.isValid() && length.toLongLong() > static_cast<qint64>(ModuleAd::kMaxReplyBytes)) ||
      reply_->bytesAvailable() > room) {
    rejected_ = true;  // no advertisement is that long
    reply_->abort();
    return;
  }
  body_ += reply_->readAll();
}

void AdBanner::FinishReply() {
  QNetworkReply* reply = reply_;
  if (reply == nullptr) return;
  deadline_->stop();
  ReadReply();
  const bool ok = !rejected_ && reply->error() == QNetworkReply::NoError;
  reply_ = nullptr;
  reply->deleteLater();
  const std::string text =
      ok ? ModuleAd::BannerText(std::string_view(body_.constData(), static_cast<std::size_t>(body_.size())))
         : std::string();
  body_.clear();
  if (text.empty()) {
    backoff_.Failed();
  } else {
    backoff_.Reset();
  }
  emit Downloaded(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void AdBanner::ShowText(const QString& text) {
  if (text.isEmpty()) return;  // no advertisement: the banner stays as it is, the poll goes on
  labelAd_->SetCaption(text);
  labelAd_->show();
  timerAd_->stop();
}

bool AdBanner::eventFilter(QObject* watched, QEvent* event) {
  // The user is back: the next tick asks at once.
  if (watched == labelAd_->window() && watched != labelAd_ && event->type() == QEvent::Show) backoff_.Reset();
  // The pointer over the banner underlines it; the window's background takes
  // the underline away again.
  if (watched == labelAd_ && (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) &&
      !labelAd_->font().underline()) {
    QFont font = labelAd_->font();
    font.setUnderline(true);
    labelAd_->setFont(font);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tarvelo
