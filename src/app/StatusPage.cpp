#include "app/StatusPage.h"

#include "app/Artwork.h"
#include "boost/FasterFigure.h"
#include "common/PropertyBag.h"
#include "monitor/CpuMonitor.h"
#include "monitor/ModuleCpuMonitorSupport.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Shape.h"
#include "widgets/Twips.h"

namespace tarvelo {

using widgets::Label;
using widgets::Shape;


StatusPage::StatusPage(QWidget* parent, int widthTwips, int heightTwips, platform::Platform& platform)
    : PagePanel(parent, "PictureState", widthTwips, heightTwips) {
  const form::Form& f = form::StatusForm();
  Shape11 = widgets::MakeShape(this, f["Shape11"]);
  Label36 = widgets::MakeLabel(this, f["Label36"]);
  Image1 = widgets::MakePicture(this, f["Image1"], artwork::PaintStatusBadge);

  Label35 = widgets::MakeLabel(this, f["Label35"]);
  LabelTime = widgets::MakeLabel(this, f["LabelTime"]);
  Label1 = widgets::MakeLabel(this, f["Label1"]);
  LabelSpeed = widgets::MakeLabel(this, f["LabelSpeed"]);
  Label2 = widgets::MakeLabel(this, f["Label2"]);
  LabelStateNowImproving = widgets::MakeLabel(this, f["LabelStateNowImproving"]);
  Label5 = widgets::MakeLabel(this, f["Label5"]);
  LabelStateProcessLimited = widgets::MakeLabel(this, f["LabelStateProcessLimited"]);
  Label6 = widgets::MakeLabel(this, f["Label6"]);
  LabelStateMemoryState = widgets::MakeLabel(this, f["LabelStateMemoryState"]);

  Label7 = widgets::MakeLabel(this, f["Label7"]);
  CpuMonitorState = new monitor::CpuMonitor(this, "CpuMonitorState", monitor::MonitorPlatform::From(platform));
  CpuMonitorState->setGeometry(widgets::RectOf(f["CpuMonitorState"]));
  CpuMonitorState->ReadProperties(form::StatusDiagramProperties());
  // The legend, square and caption for each curve.
  const std::pair<Shape**, Label**> legend[] = {
      {&Shape1, &Label14}, {&Shape2, &Label15}, {&Shape3, &Label16}, {&Shape5, &Label18}, {&Shape4, &Label17}};
  const std::pair<const char*, const char*> names[] = {
      {"Shape1", "Label14"}, {"Shape2", "Label15"}, {"Shape3", "Label16"}, {"Shape5", "Label18"}, {"Shape4", "Label17"}};
  for (std::size_t i = 0; i < std::size(legend); ++i) {
    *legend[i].first = widgets::MakeShape(this, f[names[i].first]);
    *legend[i].second = widgets::MakeLabel(this, f[names[i].second]);
  }
  logic_.ExplainFigures();
}

namespace {
std::string Utf8(const QString& text) { return text.toStdString(); }
}  // namespace

void StatusPage::ShowTime(const QString& text) { logic_.ShowTime(Utf8(text)); }

void StatusPage::ShowBoost(const QString& title) { logic_.ShowBoost(Utf8(title)); }

void StatusPage::ShowFasterFigure(const QString& figure) { logic_.ShowFasterFigure(Utf8(figure)); }

void StatusPage::ShowLimitedCount(int count) { logic_.ShowLimitedCount(count); }

void StatusPage::ShowMemoryUsage(const QString& text) { logic_.ShowMemoryUsage(Utf8(text)); }

}  // namespace tarvelo
