#include "app/SettingPage.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "app/Artwork.h"
#include "app/ModuleAutorun.h"
#include "widgets/CheckBox.h"
#include "forms/Forms.h"
#include "widgets/FormControls.h"
#include "widgets/Label.h"
#include "widgets/Picture.h"
#include "widgets/Twips.h"

namespace tarvelo {

using widgets::Label;

namespace {

// The Settings page's picture: a cog with a power sign, for "start".
void PaintSettingBadge(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(r.topLeft());
  p.scale(r.width() / 48.0, r.height() / 48.0);
  const QPointF c(24, 24);
  QPainterPath cog;
  constexpr int kTeeth = 8;
  for (int i = 0; i < kTeeth * 2; ++i) {
    const double a = (i * 180.0 / kTeeth - 11.25 / 2) * M_PI / 180.0;
    const double next = ((i + 1) * 180.0 / kTeeth - 11.25 / 2) * M_PI / 180.0;
    const double radius = i % 2 == 0 ? 22.0 : 18.0;
    const QPointF from(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
    const QPointF to(c.x() + radius * std::cos(next), c.y() + radius * std::sin(next));
    if (i == 0) cog.moveTo(from); else cog.lineTo(from);
    cog.lineTo(to);
  }
  cog.closeSubpath();
  cog.addEllipse(c, 11, 11);  // the hole
  p.setPen(Qt::NoPen);
  p.setBrush(artwork::kNavy);
  p.drawPath(cog);
  QPen power(artwork::kOrange, 2.6, Qt::SolidLine, Qt::RoundCap);
  p.setPen(power);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - 6.5, c.y() - 6.5, 13, 13), 125 * 16, 290 * 16);
  p.drawLine(QPointF(c.x(), c.y() - 8.5), QPointF(c.x(), c.y() - 1.5));
  p.restore();
}

}  // namespace

SettingPage::SettingPage(QWidget* parent, int widthTwips, int heightTwips, StartOptions& options)
    : PagePanel(parent, "PictureSetting", widthTwips, heightTwips) {
  const form::Form& f = form::SettingForm();
  Image3 = widgets::MakePicture(this, f["Image3"], PaintSettingBadge);
  Label27 = widgets::MakeLabel(this, f["Label27"]);
  CheckAutoRun = widgets::MakeCheckBox(this, f["CheckAutoRun"]);
  CheckAutoMin = widgets::MakeCheckBox(this, f["CheckAutoMin"]);
  connect(CheckAutoRun, &widgets::CheckBox::Click, this,
          [this, &options] { options.CheckAutoRunClick(CheckAutoRun->Value()); });
  connect(CheckAutoMin, &widgets::CheckBox::Click, this,
          [this, &options] { options.CheckAutoMinClick(CheckAutoMin->Value()); });
}

}  // namespace tarvelo
