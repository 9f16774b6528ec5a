#include "memory/MemoryPage.h"

#include "memory/ModuleGetMemoryState.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"

namespace tarvelo {

namespace {
const QColor kHeadingColor(255, 128, 0);
const QColor kGrey(64, 64, 64);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
}  // namespace

MemoryPage::MemoryPage(QWidget* parent, int widthTwips, int heightTwips)
    : PagePanel(parent, "PictureMemory", widthTwips, heightTwips) {
  using widgets::Label;
  Label40 = new Label(this, "Label40", "Memory status", 360, 1200);
  Label40->setFont(widgets::HeadingFont());
  Label40->SetColor(kHeadingColor);

  auto pair = [this](const char* captionName, const char* caption, int captionLeft, const char* valueName,
                     const char* value, int valueLeft, const QColor& color, Label*& captionLabel,
                     Label*& valueLabel) {
    constexpr int kTop = 1560;
    captionLabel = new Label(this, captionName, caption, captionLeft, kTop);
    valueLabel = new Label(this, valueName, value, valueLeft, kTop);
    valueLabel->SetColor(color);
  };
  pair("Label30", "All:", 600, "LabelMemoryAll", "0 MB", 960, kGrey, Label30, LabelMemoryAll);
  pair("Label31", "Used:", 2040, "LabelMemoryUsed", "0 MB", 2640, kRed, Label31, LabelMemoryUsed);
  pair("Label32", "Left:", 3720, "LabelMemoryLeft", "0 MB", 4200, kGreen, Label32, LabelMemoryLeft);
  pair("Label29", "Used rate:", 5160, "LabelMemoryUsedPercent", "30%", 6240, kRed, Label29,
       LabelMemoryUsedPercent);
}

void MemoryPage::ShowMemoryFigures(const MemoryFigures& f) {
  LabelMemoryAll->SetCaption(QString::fromStdString(MegabytesText(f.totalMB)));
  LabelMemoryUsed->SetCaption(QString::fromStdString(MegabytesText(f.usedMB)));
  LabelMemoryLeft->SetCaption(QString::fromStdString(MegabytesText(f.freeMB)));
  LabelMemoryUsedPercent->SetCaption(QString::fromStdString(PercentText(f.usedPercent)));
}

}  // namespace tarvelo
