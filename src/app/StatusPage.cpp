#include "app/StatusPage.h"

#include "widgets/Fonts.h"
#include "widgets/Label.h"

namespace tarvelo {

namespace {
const QColor kCaptionColor(64, 64, 64);
}  // namespace

StatusPage::StatusPage(QWidget* parent, int widthTwips, int heightTwips)
    : PagePanel(parent, "PictureState", widthTwips, heightTwips) {
  Label6 = new widgets::Label(this, "Label6", "Memory usage:", 1200, 2040);
  Label6->setFont(widgets::CaptionFont());
  Label6->SetColor(kCaptionColor);

  LabelStateMemoryState = new widgets::Label(this, "LabelStateMemoryState", "0", 2520, 2040);
  LabelStateMemoryState->SetColor(QColor(255, 128, 0));
}

void StatusPage::ShowMemoryUsage(const QString& text) { LabelStateMemoryState->SetCaption(text); }

}  // namespace tarvelo
