#pragma once

#include <QString>

class QWidget;

namespace tarvelo::widgets {

// Opens address in the user's web browser. Where that fails (no browser or
// link opener installed), a message over owner says so and shows the address
// as text to copy. Returns whether the address was handed on.
bool OpenWebLink(QWidget* owner, const QString& address);

}  // namespace tarvelo::widgets
