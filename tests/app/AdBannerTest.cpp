// The advertisement banner against a small HTTP server of the test's own on
// 127.0.0.1: what the banner shows, when the program asks, and that the
// window never waits for the answer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/AdBanner.h"
#include "app/FormTarvelo.h"
#include "support/TrayHost.h"
#include "support/Browser.h"
#include "support/ModalWatcher.h"
#include "platform/fake/FakePlatform.h"
#include "tray/FormMenu.h"
#include "tray/TrayController.h"
#include "widgets/Label.h"

namespace tarvelo {
namespace {

// Answers every request with the reply set last, or never. Bounded: requests
// over 16 KiB are cut off, and it stops accepting after 100 connections; it
// ends with the test.
class AdServer : public QObject {
 public:
  struct Request {
    QByteArray head;  // request line and headers
    qint64 atMs;      // since the server started
  };

  AdServer() {
    clock_.start();
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, &AdServer::Accept);
  }

  QByteArray Root() const { return "http://127.0.0.1:" + QByteArray::number(server_.serverPort()); }
  void Reply(const QByteArray& body, int status = 200) {
    body_ = body;
    status_ = status;
    answer_ = true;
  }
  void NeverAnswer() { answer_ = false; }
  int Connections() const { return accepted_; }
  // Answers requests for path with a redirect to location (a full address).
  void Redirect(const QByteArray& path, const QByteArray& location) { redirects_[path] = location; }

  QList<Request> requests;

 private:
  void Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      if (++accepted_ >= 100) server_.close();
      socket->setParent(this);
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
    }
  }

  void Read(QTcpSocket* socket) {
    QByteArray& head = heads_[socket];
    head += socket->read(16 * 1024 - head.size());
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0 && head.size() < 16 * 1024) return;
    const QByteArray request = head.left(end);
    requests.append({request, clock_.elapsed()});
    heads_.remove(socket);
    if (!answer_) return;
    const QByteArray path = request.split(' ').value(1);
    if (redirects_.contains(path)) {
      socket->write("HTTP/1.1 302 Found\r\nLocation: " + redirects_[path] +
                    "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
      socket->disconnectFromHost();
      return;
    }
    socket->write("HTTP/1.1 " + QByteArray::number(status_) + (status_ == 200 ? " OK" : " Error") +
                  "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body_.size()) +
                  "\r\nConnection: close\r\n\r\n" + body_);
    socket->disconnectFromHost();
  }

  QTcpServer server_;
  QElapsedTimer clock_;
  QHash<QTcpSocket*, QByteArray> heads_;
  QHash<QByteArray, QByteArray> redirects_;
  QByteArray body_ = "";
  int status_ = 200;
  bool answer_ = true;
  int accepted_ = 0;
};

// Points the program's web site at the server while it lives.
struct SiteAt {
  explicit SiteAt(const QByteArray& root) { qputenv("TARVELO_SITE_URL", root); }
  ~SiteAt() { qunsetenv("TARVELO_SITE_URL"); }
};

constexpr int kPollMs = 100;  // TimerAd, quickened

// The program with its site on a fresh server, started and polling fast.
struct Scene {
  Scene() {
    testing::AssumeTrayHost(form);
    EXPECT_TRUE(form.Load());
    form.TimerAd->setInterval(kPollMs);
    banner = form.findChild<AdBanner*>("AdBanner");
    EXPECT_NE(banner, nullptr);
  }
  bool WaitForRequests(int count, int timeoutMs = 10000) {
    return QTest::qWaitFor([&] { return server.requests.size() >= count; }, timeoutMs);
  }

  AdServer server;
  SiteAt site{server.Root()};
  platform::fake::FakePlatform fake;
  FormTarvelo form{fake.platform};
  AdBanner* banner = nullptr;
  widgets::Label* label = form.LabelAd;
};

TEST(AdBanner, TheReplyDecidesWhatTheBannerShowsAndWhetherThePollGoesOn) {
  QByteArray longText;
  while (longText.size() < 3000) longText += "Schneller \xC3\xBC\xE2\x82\xAC rechnen - ";  // multi-byte text
  const struct {
    const char* what;
    QByteArray reply;
    int status;
    std::optional<QString> shown;  // nothing: the banner stays hidden and the poll goes on
  } cases[] = {
      {"marker in lower case", "adFaster PC today", 200, "Faster PC today"},
      {"reply longer than 1024 bytes, whole", "AD" + longText, 200, QString::fromUtf8(longText)},
      {"markup is text", "AD<b>Bold</b> &amp; <a href=\"x\">link</a>", 200,
       "<b>Bold</b> &amp; <a href=\"x\">link</a>"},
      {"no marker", "Welcome", 200, std::nullopt},
      {"exactly the marker", "AD", 200, std::nullopt},
      {"an error page", "ADnot found", 404, std::nullopt},
      {"too large to be an advertisement", "AD" + QByteArray(70 * 1024, 'x'), 200, std::nullopt},
  };
  for (const auto& c : cases) {
    Scene scene;
    scene.server.Reply(c.reply, c.status);
    if (c.shown) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 3000)) << c.what;
      EXPECT_EQ(scene.label->text(), *c.shown) << c.what;
      EXPECT_EQ(scene.label->textFormat(), Qt::PlainText);
      EXPECT_FALSE(scene.form.TimerAd->isActive()) << c.what << ": a text stops the poll";
      QTest::qWait(5 * kPollMs);
      EXPECT_EQ(scene.server.requests.size(), 1) << c.what;
    } else {
      ASSERT_TRUE(scene.WaitForRequests(3)) << c.what << ": the poll goes on";
      EXPECT_FALSE(scene.label->isVisibleTo(&scene.form)) << c.what;
      EXPECT_TRUE(scene.form.TimerAd->isActive()) << c.what;
    }
    const QByteArray head = scene.server.requests.value(0).head;
    EXPECT_TRUE(head.startsWith("GET /ad/tarvelo/ HTTP/1.1\r\n")) << head.toStdString();
    EXPECT_TRUE(head.contains("\r\nUser-Agent: Kestrawn\r\n")) << head.toStdString();
  }
}

// EnableAd in the user's Config.ini, the system-wide one, or both.
TEST(AdBanner, TurnedOffTheProgramNeverContactsTheSite) {
  const struct {
    const char* what;
    const char* user;    // nullptr: not set
    const char* system;
    bool polls;
  } cases[] = {
      {"the default", nullptr, nullptr, true},
      {"off in the user's file", "0", nullptr, false},
      {"off in the system-wide file", nullptr, "0", false},
      {"the user turns it back on", "1", "0", true},
      {"the user turns it off over the system", "0", "1", false},
  };
  for (const auto& c : cases) {
    AdServer server;
    server.Reply("ADOffer");
    SiteAt site{server.Root()};
    platform::fake::FakePlatform fake;
    if (c.user != nullptr) fake.settings->Set("Setting", "EnableAd", c.user);
    if (c.system != nullptr) fake.systemSettings->Set("Setting", "EnableAd", c.system);
    FormTarvelo form{fake.platform};
    testing::AssumeTrayHost(form);
    ASSERT_TRUE(form.Load()) << c.what;
    form.TimerAd->setInterval(kPollMs);
    if (c.polls) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return form.LabelAd->isVisibleTo(&form); }, 5000)) << c.what;
      EXPECT_EQ(server.requests.size(), 1) << c.what;
      continue;
    }
    // What would start the poll: the start, hiding to the tray, showing again.
    form.HideToTray();
    form.show();
    EXPECT_FALSE(form.TimerAd->isActive()) << c.what;
    // Eight ticks that would each have asked, with the window's other timers running.
    int ticks = 0;
    QObject::connect(form.TimerAd, &QTimer::timeout, [&] { ++ticks; });
    form.TimerAd->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 8; }, 10000)) << c.what;
    EXPECT_EQ(server.Connections(), 0) << c.what;
    EXPECT_EQ(form.findChild<QNetworkAccessManager*>(), nullptr) << c.what << ": not even a name lookup";
    EXPECT_FALSE(form.LabelAd->isVisibleTo(&form)) << c.what;
  }
}

TEST(AdBanner, TheNetworkIsSetUpByTheFirstPollNotAtStart) {
  Scene scene;
  EXPECT_EQ(scene.banner->findChild<QNetworkAccessManager*>(), nullptr);
  ASSERT_TRUE(scene.WaitForRequests(1));
  EXPECT_NE(scene.banner->findChild<QNetworkAccessManager*>(), nullptr);
}

TEST(AdBanner, AServerThatNeverAnswersHoldsUpNeitherTheWindowNorTheNextPoll) {
  Scene scene;
  constexpr int kTimeoutMs = 600;
  scene.banner->SetTimeoutMs(kTimeoutMs);
  scene.server.NeverAnswer();

  // A quick timer of the window's keeps ticking while the requests hang.
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  qint64 longestGap = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, clock.elapsed() - last);
    last = clock.elapsed();
  });
  ticker.start(10);
  ASSERT_TRUE(scene.WaitForRequests(3, 5000));
  EXPECT_LT(longestGap, kTimeoutMs / 2) << "a blocking download would stop it for the whole timeout";

  // One request at a time: each next one only after the last gave up.
  for (int i = 1; i < scene.server.requests.size(); ++i) {
    EXPECT_GE(scene.server.requests[i].atMs - scene.server.requests[i - 1].atMs, kTimeoutMs - 50) << i;
  }
  EXPECT_FALSE(scene.label->isVisibleTo(&scene.form));

  scene.server.Reply("ADAt last");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 5000));
  EXPECT_EQ(scene.label->text(), "At last");
}

TEST(AdBanner, NoRequestWhileTheCpuLimitDialogIsOpen) {
  Scene scene;
  scene.server.Reply("ADHello");
  QDialog dialog(&scene.form);
  scene.form.SetCpuLimitDialog(&dialog);
  dialog.show();
  QTest::qWait(6 * kPollMs);
  EXPECT_TRUE(scene.server.requests.isEmpty());
  dialog.hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 3000));
  EXPECT_EQ(scene.label->text(), "Hello");
}

TEST(AdBanner, HidingTheWindowPollsAgainAndOnlyANewTextReplacesTheOld) {
  Scene scene;
  scene.server.Reply("ADFirst");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 3000));

  scene.server.Reply("Welcome");  // no advertisement this time
  scene.form.HideToTray();
  ASSERT_TRUE(scene.WaitForRequests(3));
  EXPECT_EQ(scene.label->text(), "First");
  EXPECT_TRUE(scene.form.TimerAd->isActive());

  scene.server.Reply("ADSecond");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->text() == "Second"; }, 3000));
  EXPECT_FALSE(scene.form.TimerAd->isActive());
}

TEST(AdBanner, ARedirectLoopEndsAfterAFewHopsAndThePollBacksOff) {
  Scene scene;
  scene.server.Redirect("/ad/tarvelo/", scene.server.Root() + "/ad/tarvelo/");
  // Three polls fail: the next waits eight ticks.
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.banner->Backoff().TicksBetweenPolls() >= 8; }, 20000));
  EXPECT_EQ(scene.server.requests.size(), 3 * (1 + ModuleAd::kMaxRedirects));
  EXPECT_FALSE(scene.label->isVisibleTo(&scene.form));
  EXPECT_TRUE(scene.form.TimerAd->isActive()) << "the poll goes on, slower";
}

TEST(AdBanner, AFewRedirectsAreFollowedToTheAdvertisement) {
  Scene scene;
  const QByteArray root = scene.server.Root();
  scene.server.Redirect("/ad/tarvelo/", root + "/hop1");
  scene.server.Redirect("/hop1", root + "/hop2");
  scene.server.Redirect("/hop2", root + "/final");
  scene.server.Reply("ADMoved here");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 10000));
  EXPECT_EQ(scene.label->text(), "Moved here");
  EXPECT_EQ(scene.server.requests.size(), 4);
}

TEST(AdBanner, ShowingTheWindowAgainOrAnAdvertisementStartsThePollOver) {
  Scene scene;
  scene.server.Reply("nothing", 404);
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.banner->Backoff().TicksBetweenPolls() >= 4; }, 10000));
  scene.form.HideToTray();
  scene.form.show();
  EXPECT_EQ(scene.banner->Backoff().TicksBetweenPolls(), 1);
  const int before = static_cast<int>(scene.server.requests.size());
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.banner->Backoff().TicksBetweenPolls() >= 2; }, 10000));
  EXPECT_GT(scene.server.requests.size(), before) << "asked again at the next tick";

  scene.server.Reply("ADBack");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 10000));
  EXPECT_EQ(scene.banner->Backoff().TicksBetweenPolls(), 1);
}

TEST(AdBanner, ControlAndBidiCharactersOfTheTextShowAsPlaceholders) {
  Scene scene;
  scene.server.Reply("ADBuy \xE2\x80\xAEnow\x07 \xD0\xB4\xD0\xB0\r\n");
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisibleTo(&scene.form); }, 10000));
  EXPECT_EQ(scene.label->text(), QString::fromUtf8("Buy \xEF\xBF\xBDnow\xEF\xBF\xBD \xD0\xB4\xD0\xB0"));
}

TEST(AdBanner, BannerUnderlinesUnderThePointerAndItsLinksOpenTheSite) {
  Scene scene;
  testing::Browser browser;
  scene.server.Reply("ADOffer");
  scene.form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.form));
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisible(); }, 3000));

  QTest::mouseMove(scene.label);
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->font().underline(); }, 1000));
  QMouseEvent overBackground(QEvent::MouseMove, QPointF(700, 100), scene.form.mapToGlobal(QPointF(700, 100)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&scene.form, &overBackground);
  EXPECT_FALSE(scene.label->font().underline());

  const QString root = scene.server.Root();
  QTest::mouseClick(scene.label, Qt::LeftButton);
  scene.form.ShowPage(PageId::About);  // built when first shown
  auto* homepage = scene.form.findChild<widgets::Label*>("LabelHomepage");
  ASSERT_NE(homepage, nullptr);
  EXPECT_EQ(homepage->text(), root);
  QTest::mouseClick(homepage, Qt::LeftButton);
  scene.form.findChild<TrayController*>()->Menu()->m_HomePage->trigger();
  EXPECT_EQ(browser.opened, QStringList({root + "/ad/tarvelo/page/", root, root}));
}

// No web browser or link opener: no handler is set and PATH holds no xdg-open
// (the offscreen platform opens no link in any case).
struct NoLinkOpener {
  NoLinkOpener() {
    qputenv("PATH", QFile::encodeName(empty.path()));
    qunsetenv("BROWSER");
  }
  ~NoLinkOpener() {
    qputenv("PATH", path);
    if (!browser.isNull()) qputenv("BROWSER", browser);
  }
  QTemporaryDir empty;
  QByteArray path = qgetenv("PATH");
  QByteArray browser = qgetenv("BROWSER");
};

TEST(AdBanner, ALinkThatCannotBeOpenedSaysSoAndShowsItsAddress) {
  Scene scene;
  scene.server.Reply("ADOffer");
  scene.form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&scene.form));
  ASSERT_TRUE(QTest::qWaitFor([&] { return scene.label->isVisible(); }, 3000));
  scene.form.ShowPage(PageId::About);  // the banner stays in view
  auto* homepage = scene.form.findChild<widgets::Label*>("LabelHomepage");
  ASSERT_NE(homepage, nullptr);
  NoLinkOpener noOpener;

  const QString root = scene.server.Root();
  const struct {
    const char* what;
    std::function<void()> click;
    QString address;
  } links[] = {
      {"the banner", [&] { QTest::mouseClick(scene.label, Qt::LeftButton); }, root + "/ad/tarvelo/page/"},
      {"the About page", [&] { QTest::mouseClick(homepage, Qt::LeftButton); }, root},
      {"Home Page in the tray menu",
       [&] { scene.form.findChild<TrayController*>()->Menu()->m_HomePage->trigger(); }, root},
  };
  for (const auto& link : links) {
    testing::ShownMessage message;
    auto watcher = testing::ShownMessage::Record(message);
    link.click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.Seen(); }, 5000)) << link.what << ": no message";
    EXPECT_EQ(message.title, "Tarvelo") << link.what;
    EXPECT_EQ(message.icon, QMessageBox::Warning) << link.what;
    EXPECT_TRUE(message.text.contains("could not open")) << message.text.toStdString();
    EXPECT_TRUE(message.text.contains("\n" + link.address + "\n")) << link.what << ": " << message.text.toStdString();
  }
}

}  // namespace
}  // namespace tarvelo

