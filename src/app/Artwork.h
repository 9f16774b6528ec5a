#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>

#include "app/ChromeButton.h"
#include "common/Pages.h"

class QPainter;

namespace tarvelo::artwork {

// Tarvelo's own pictures, drawn by code so that they are crisp at any scale.

// Brand colours.
inline constexpr QColor kNavy{0x1E, 0x3A, 0x5F};
inline constexpr QColor kOrange{0xF2, 0x7C, 0x00};

// The window's skin: caption bar, header band, navigation column, footer.
void PaintWindowBackground(QPainter& p, const QRectF& window);
// The caption strip that drags the window.
void PaintCaptionStrip(QPainter& p, const QRectF& r);
// The Tarvelo emblem: a speed gauge.
void PaintEmblem(QPainter& p, const QRectF& r);
// The small picture beside the Status page's heading: speed lines.
void PaintStatusBadge(QPainter& p, const QRectF& r);
// The emblem as the window's icon, at the usual icon sizes.
QIcon EmblemIcon();
// A navigation entry, normal or selected, with the icon of its page.
void PaintNavigation(QPainter& p, const QRectF& r, PageId page, bool selected);
// A picture of the minimise or close button: 0 normal, 1 hover, 2 pressed.
void PaintChromeButton(QPainter& p, const QRectF& r, ChromeButton::Kind kind, int picture);

}  // namespace tarvelo::artwork
