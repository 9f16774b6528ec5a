#pragma once

#include <QMessageBox>

namespace tarvelo::widgets {

// The program's message box: caption "Tarvelo", an OK button only, the text
// shown as plain text. Waits until the user dismisses it; the program's
// timers keep running meanwhile.
void ShowMessage(QWidget* owner, const QString& text, QMessageBox::Icon icon = QMessageBox::NoIcon);

}  // namespace tarvelo::widgets
