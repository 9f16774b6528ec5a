#include "widgets/MessageBox.h"

namespace tarvelo::widgets {

void ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, "Tarvelo", text, QMessageBox::Ok, owner);
  box.setObjectName("TarveloMessage");
  box.setTextFormat(Qt::PlainText);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // an address or an error to copy
  box.exec();
}

}  // namespace tarvelo::widgets
