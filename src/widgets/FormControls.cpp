#include "widgets/FormControls.h"

#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"
#include "widgets/Shape.h"
#include "widgets/Twips.h"

namespace tarvelo::widgets {

namespace {

QString TextOf(const form::Control& control) { return QString::fromUtf8(control.text); }

template <typename Widget>
Widget* Finish(Widget* widget, const form::Control& control) {
  if (control.hidden) widget->hide();
  return widget;
}

}  // namespace

QFont FontOf(const form::Font& font) {
  QFont qfont(QString::fromUtf8(font.face));
  qfont.setPointSizeF(font.points);
  qfont.setBold(font.bold);
  return qfont;
}

QColor ColorOf(form::Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }

QRect RectOf(const form::Control& control) {
  return TwipsRect(control.left, control.top, control.width, control.height);
}

Label* MakeLabel(QWidget* parent, const form::Control& control) {
  auto* label = new Label(parent, control.name, TextOf(control), control.left, control.top);
  if (control.font) label->setFont(FontOf(*control.font));
  if (control.color) label->SetColor(ColorOf(*control.color));
  if (control.width > 0) label->SetFixedSizeTwips(control.width, control.height, control.wrap);
  return Finish(label, control);
}

CheckBox* MakeCheckBox(QWidget* parent, const form::Control& control) {
  return Finish(new CheckBox(parent, control.name, TextOf(control), control.left, control.top, control.width,
                             control.height),
                control);
}

ComboList* MakeComboList(QWidget* parent, const form::Control& control) {
  return Finish(new ComboList(parent, control.name, control.left, control.top, control.width, control.height),
                control);
}

ListView* MakeListView(QWidget* parent, const form::Control& control) {
  std::vector<ListView::Column> columns;
  for (const form::Column& column : control.columns) columns.push_back({QString::fromUtf8(column.caption), column.width});
  return Finish(new ListView(parent, control.name, control.left, control.top, control.width, control.height, columns),
                control);
}

Shape* MakeShape(QWidget* parent, const form::Control& control) {
  std::optional<QColor> fill;
  if (control.fill) fill = ColorOf(*control.fill);
  return Finish(new Shape(parent, control.name, RectOf(control), ColorOf(control.color.value_or(form::Rgb{0, 0, 0})),
                          fill),
                control);
}

Picture* MakePicture(QWidget* parent, const form::Control& control, Picture::Artwork artwork) {
  return Finish(new Picture(parent, control.name, RectOf(control), std::move(artwork)), control);
}

}  // namespace tarvelo::widgets
