#include "tray/TrayController.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>

#include "tray/FormMenu.h"

namespace tarvelo {

namespace {

// The icon file's pictures, every size it holds; a null icon when the file is
// missing or unreadable.
QIcon LoadIconFile(const QString& path) {
  QImageReader reader(path);
  QIcon icon;
  for (int i = 0; reader.canRead() && i < 16; ++i) {
    const QImage image = reader.read();
    if (image.isNull()) break;
    icon.addPixmap(QPixmap::fromImage(image));
    if (!reader.jumpToNextImage()) break;
  }
  return icon;
}

// An icon without a picture: what the tray shows when the icon file is missing.
QIcon NoPicture() {
  QPixmap empty(16, 16);
  empty.fill(Qt::transparent);
  return QIcon(empty);
}

TrayActivation ToActivation(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger: return TrayActivation::Trigger;
    case QSystemTrayIcon::DoubleClick: return TrayActivation::DoubleClick;
    case QSystemTrayIcon::Context: return TrayActivation::Context;
    case QSystemTrayIcon::MiddleClick: return TrayActivation::MiddleClick;
    default: return TrayActivation::Other;
  }
}

}  // namespace

// The icon as QSystemTrayIcon shows it. One QSystemTrayIcon lives for the
// whole run: Qt docks it again by itself when the tray host restarts, so there
// is never a second one.
class TrayController::View final : public TrayIconView {
 public:
  View(QSystemTrayIcon& icon, const FormMenu& menu, QString iconFile)
      : icon_(icon), menu_(menu), iconFile_(std::move(iconFile)) {}

  void Add() override {
    const QIcon picture = LoadIconFile(iconFile_);
    icon_.setIcon(picture.isNull() ? NoPicture() : picture);
    icon_.setToolTip("Tarvelo");
    icon_.show();
  }
  void ShowFrame(int frame) override { icon_.setIcon(menu_.Frame(frame)); }
  void Remove() override { icon_.hide(); }

 private:
  QSystemTrayIcon& icon_;
  const FormMenu& menu_;
  QString iconFile_;
};

TrayController::TrayController(QWidget& mainWindow, QString iconFile, QObject* parent)
    : QObject(parent),
      mainWindow_(mainWindow),
      systemTrayIcon_(new QSystemTrayIcon(this)),
      formMenu_(new FormMenu(&mainWindow)),
      view_(std::make_unique<View>(*systemTrayIcon_, *formMenu_, std::move(iconFile))),
      trayIcon_(*view_) {
  setObjectName("TrayController");
  systemTrayIcon_->setObjectName("TrayIcon");

  connect(formMenu_, &FormMenu::PageChosen, this, [this](PageId page) {
    // Shows the window as it was (a minimised one stays minimised), then the page.
    mainWindow_.show();
    mainWindow_.raise();
    mainWindow_.activateWindow();
    emit PageChosen(page);
  });
  connect(formMenu_, &FormMenu::HomePageChosen, this, &TrayController::HomePageChosen);
  connect(formMenu_, &FormMenu::ExitChosen, this, &TrayController::ExitChosen);
}

TrayController::~TrayController() = default;

bool TrayController::HostAvailable() const {
  return hostAvailable_ ? hostAvailable_() : QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::InstallWindowHook() {
  if (hook_) return;
  hook_ = connect(systemTrayIcon_, &QSystemTrayIcon::activated, this, &TrayController::Activated);
}

void TrayController::RemoveWindowHook() {
  disconnect(hook_);
  hook_ = {};
}

void TrayController::CloseMenu() {
  formMenu_->m_Menu->close();
  formMenu_->close();
}

void TrayController::Activated(QSystemTrayIcon::ActivationReason reason) {
  if (!singleActivationHost_) singleActivationHost_ = TrayHostReportsOnlySingleActivation();
  const TrayWindows windows{mainWindow_.isVisible(), cpuLimitDialogVisible_ && cpuLimitDialogVisible_()};
  switch (MainWindowProc(ToActivation(reason), windows, *singleActivationHost_)) {
    case TrayCommand::ShowMainWindow:
      mainWindow_.showNormal();
      mainWindow_.raise();
      mainWindow_.activateWindow();
      break;
    case TrayCommand::PopUpMenu:
      // popup() returns at once: the menu's choice arrives as a signal, so
      // nothing of the icon is on the stack when "Exit" removes it.
      formMenu_->m_Menu->popup(QCursor::pos());
      break;
    case TrayCommand::None:
      break;
  }
}

bool TrayHostReportsOnlySingleActivation() {
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith("wayland")) return true;  // only StatusNotifierItem there
  if (platform != "xcb") return false;
  // On X11 Qt uses a StatusNotifierItem when a host is registered with the
  // watcher on the session bus, else an XEmbed icon. Asked the same way, with
  // a short timeout so that a stuck bus cannot hold up the start.
  QDBusConnection bus = QDBusConnection::sessionBus();
  static const QString kWatcher = "org.kde.StatusNotifierWatcher";
  if (!bus.isConnected() || bus.interface() == nullptr || !bus.interface()->isServiceRegistered(kWatcher)) {
    return false;
  }
  QDBusMessage get = QDBusMessage::createMethodCall(kWatcher, "/StatusNotifierWatcher",
                                                    "org.freedesktop.DBus.Properties", "Get");
  get << kWatcher << QString("IsStatusNotifierHostRegistered");
  const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
  return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

}  // namespace tarvelo
