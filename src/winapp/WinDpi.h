#pragma once

#include <windows.h>

namespace tarvelo::winapp {

// The program's positions and sizes are in twips: 1440 to the inch, so 15 to
// the pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

// The dots per inch a window is shown at: its monitor's where the system
// knows per-monitor DPI (GetDpiForWindow, Windows 10 1607 and later), else
// the system's. Looked up at run time, so older systems and Wine run too.
int DpiOfWindow(HWND window);

// Twips to pixels at dpi, rounded to the nearest pixel.
inline int TwipsToPixels(int twips, int dpi) { return ::MulDiv(twips, dpi, kTwipsPerInch); }

}  // namespace tarvelo::winapp
