#pragma once

#include <QFont>

namespace tarvelo::widgets {

// The program's faces are Verdana and Arial. Where they are missing (most
// Linux systems) Qt falls back to faces of the same metrics, so the fixed
// layout holds.
void InstallFontSubstitutions();

QFont Verdana(double pointSize, bool bold = false);
QFont Arial(double pointSize, bool bold = false);

// Verdana 7.5 pt, the default of every control of the main window.
QFont WindowFont();
// Verdana 9 pt bold, the headings of the pages.
QFont HeadingFont();
// Verdana 7.5 pt bold, the captions beside values.
QFont CaptionFont();

}  // namespace tarvelo::widgets
