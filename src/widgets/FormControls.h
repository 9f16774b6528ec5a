#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

#include "forms/Form.h"
#include "widgets/Picture.h"

class QWidget;

namespace tarvelo::widgets {

class CheckBox;
class ComboList;
class Label;
class ListView;
class Shape;

// The Qt controls of a form's descriptions: each at its place, with its
// caption, font and colour, hidden where the form says so.
QFont FontOf(const form::Font& font);
QColor ColorOf(form::Rgb rgb);
QRect RectOf(const form::Control& control);

Label* MakeLabel(QWidget* parent, const form::Control& control);
CheckBox* MakeCheckBox(QWidget* parent, const form::Control& control);
ComboList* MakeComboList(QWidget* parent, const form::Control& control);
ListView* MakeListView(QWidget* parent, const form::Control& control);
Shape* MakeShape(QWidget* parent, const form::Control& control);
Picture* MakePicture(QWidget* parent, const form::Control& control, Picture::Artwork artwork);

}  // namespace tarvelo::widgets
