#include "app/StatusPage.h"

#include "app/Artwork.h"
#include "boost/FasterFigure.h"
#include "common/PropertyBag.h"
#include "monitor/CpuMonitor.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "widgets/Fonts.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Shape.h"
#include "widgets/Twips.h"

namespace tarvelo {

using widgets::Label;
using widgets::Shape;
using widgets::TwipsRect;

namespace {

const QColor kHeadingColor(255, 128, 0);
const QColor kCaptionColor(64, 64, 64);

Label* Heading(QWidget* page, const char* name, const char* text, int left, int top) {
  auto* label = new Label(page, name, text, left, top);
  label->setFont(widgets::HeadingFont());
  label->SetColor(kHeadingColor);
  return label;
}

Label* Caption(QWidget* page, const char* name, const char* text, int left, int top) {
  auto* label = new Label(page, name, text, left, top);
  label->setFont(widgets::CaptionFont());
  label->SetColor(kCaptionColor);
  return label;
}

Label* Value(QWidget* page, const char* name, const char* text, int left, int top,
             std::optional<QColor> color = std::nullopt) {
  auto* label = new Label(page, name, text, left, top);
  if (color) label->SetColor(*color);
  return label;
}

}  // namespace

StatusPage::StatusPage(QWidget* parent, int widthTwips, int heightTwips, platform::Platform& platform)
    : PagePanel(parent, "PictureState", widthTwips, heightTwips) {
  Shape11 = new Shape(this, "Shape11", TwipsRect(720, 720, 6195, 1965), QColor(224, 224, 224));
  Label36 = Heading(this, "Label36", "Speed up status", 720, 360);
  Image1 = new widgets::Picture(this, "Image1", QRect(widgets::TwipsPoint(2400, 175), QSize(65, 37)),
                                artwork::PaintStatusBadge);

  Label35 = Caption(this, "Label35", "Time:", 1200, 1080);
  LabelTime = Value(this, "LabelTime", "time", 1800, 1080);
  Label1 = Caption(this, "Label1", "Whole system faster:", 1200, 1320);
  LabelSpeed = Value(this, "LabelSpeed", "0%", 3120, 1320, QColor(255, 0, 0));
  // The figure is easily read as "the whole system is this much faster": say what it measures.
  for (widgets::Label* label : {Label1, LabelSpeed}) label->setToolTip(kFasterFigureMeaning);
  Label2 = Caption(this, "Label2", "Now Speeding up:", 1200, 1560);
  LabelStateNowImproving = Value(this, "LabelStateNowImproving", "None", 2760, 1560, QColor(0, 128, 0));
  Label5 = Caption(this, "Label5", "The count of the process with CPU usage limited:", 1200, 1800);
  LabelStateProcessLimited = Value(this, "LabelStateProcessLimited", "0", 5400, 1800, QColor(192, 0, 192));
  Label6 = Caption(this, "Label6", "Memory usage:", 1200, 2040);
  LabelStateMemoryState = Value(this, "LabelStateMemoryState", "0", 2520, 2040, QColor(255, 128, 0));

  Label7 = Heading(this, "Label7", "System resource status", 840, 3000);
  // The diagram, loaded from its saved state: dark grey, flat, a light-orange
  // grid, the root drive; every other property at its default.
  CpuMonitorState = new monitor::CpuMonitor(this, "CpuMonitorState", monitor::MonitorPlatform::From(platform));
  CpuMonitorState->setGeometry(TwipsRect(720, 3360, 6255, 855));
  CpuMonitorState->ReadProperties({
      {"BackColor", std::int64_t{4210752}},
      {"Appearance", std::int64_t{0}},
      {"DisplayGridColor", std::int64_t{8438015}},
      {"HDDriveLetter", std::string("C:\\")},
  });
  // The legend: the diagram's default curve colours.
  struct LegendEntry {
    Shape*& square;
    const char* squareName;
    int squareLeft;
    QColor color;
    Label*& label;
    const char* labelName;
    int labelLeft;
    const char* text;
  };
  constexpr int kLegendTop = 4440;
  constexpr int kSquare = 135;
  const LegendEntry legend[] = {
      {Shape1, "Shape1", 600, QColor(0, 255, 0), Label14, "Label14", 840, "CPU"},
      {Shape2, "Shape2", 1440, QColor(255, 255, 0), Label15, "Label15", 1680, "Memory"},
      {Shape3, "Shape3", 2640, QColor(255, 0, 0), Label16, "Label16", 2880, "Page space"},
      {Shape5, "Shape5", 4080, QColor(255, 128, 255), Label18, "Label18", 4320, "Disk space"},
      {Shape4, "Shape4", 5520, QColor(0, 0, 255), Label17, "Label17", 5760, "Virual memory"},
  };
  for (const LegendEntry& e : legend) {
    e.square = new Shape(this, e.squareName, TwipsRect(e.squareLeft, kLegendTop, kSquare, kSquare), e.color, e.color);
    e.label = new Label(this, e.labelName, e.text, e.labelLeft, kLegendTop);
  }
}

void StatusPage::ShowTime(const QString& text) { LabelTime->SetCaption(text); }

void StatusPage::ShowBoost(const QString& title) { LabelStateNowImproving->SetCaption(title); }

void StatusPage::ShowFasterFigure(const QString& figure) { LabelSpeed->SetCaption(figure); }

void StatusPage::ShowLimitedCount(int count) { LabelStateProcessLimited->SetCaption(QString::number(count)); }

void StatusPage::ShowMemoryUsage(const QString& text) { LabelStateMemoryState->SetCaption(text); }

}  // namespace tarvelo
