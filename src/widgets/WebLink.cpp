#include "widgets/WebLink.h"

#include <QDesktopServices>
#include <QUrl>

#include "common/WebLink.h"
#include "widgets/MessageBox.h"

namespace tarvelo::widgets {

bool OpenWebLink(QWidget* owner, const QString& address) {
  if (QDesktopServices::openUrl(QUrl(address))) return true;
  ShowMessage(owner, QString::fromStdString(WebLink::NotOpenedMessage(address.toStdString())),
              QMessageBox::Warning);
  return false;
}

}  // namespace tarvelo::widgets
