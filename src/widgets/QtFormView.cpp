#include "widgets/QtFormView.h"

#include <QTextDocument>
#include <cstdio>
#include <cstdlib>

#include "widgets/CheckBox.h"
#include "widgets/ComboList.h"
#include "widgets/Label.h"
#include "widgets/ListView.h"

namespace tarvelo::widgets {

namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

template <typename Widget>
Widget* QtFormView::Find(std::string_view control) const {
  auto* widget = panel_.findChild<Widget*>(FromUtf8(control), Qt::FindDirectChildrenOnly);
  if (widget == nullptr) {
    // A name the form does not have, or a control of another kind: a
    // programming error.
    std::fprintf(stderr, "%s has no control %.*s of that kind\n", qPrintable(panel_.objectName()),
                 static_cast<int>(control.size()), control.data());
    std::abort();
  }
  return widget;
}

std::string QtFormView::Text(std::string_view control) const {
  QWidget* widget = Find<QWidget>(control);
  if (auto* combo = qobject_cast<ComboList*>(widget)) return combo->Text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  return {};
}

void QtFormView::SetText(std::string_view control, std::string_view text) {
  Find<Label>(control)->SetCaption(FromUtf8(text));
}

bool QtFormView::Checked(std::string_view control) const { return Find<CheckBox>(control)->Value() != 0; }

void QtFormView::SetChecked(std::string_view control, bool checked) {
  Find<CheckBox>(control)->SetValue(checked ? 1 : 0);
}

void QtFormView::SetItems(std::string_view control, const std::vector<std::string>& items) {
  auto* combo = Find<ComboList>(control);
  combo->clear();
  for (const std::string& item : items) combo->addItem(FromUtf8(item));
}

bool QtFormView::Choose(std::string_view control, std::string_view item) {
  return Find<ComboList>(control)->SetText(FromUtf8(item));
}

void QtFormView::ChooseIndex(std::string_view control, int index) { Find<ComboList>(control)->setCurrentIndex(index); }

void QtFormView::AddRow(std::string_view control, const std::vector<std::string>& cells) {
  auto* list = Find<ListView>(control);
  QStringList texts;
  for (const std::string& cell : cells) texts << FromUtf8(cell);
  list->AddRow(texts);
}

void QtFormView::ScrollToRow(std::string_view control, int row) {
  auto* list = Find<ListView>(control);
  if (QTreeWidgetItem* item = list->topLevelItem(row)) list->scrollToItem(item);
}

int QtFormView::RowCount(std::string_view control) const { return Find<ListView>(control)->RowCount(); }

void QtFormView::ClearRows(std::string_view control) { Find<ListView>(control)->clear(); }

std::string QtFormView::CellText(std::string_view control, int row, int column) const {
  return Find<ListView>(control)->Text(row, column).toStdString();
}

void QtFormView::SetCellText(std::string_view control, int row, int column, std::string_view text) {
  Find<ListView>(control)->SetText(row, column, FromUtf8(text));
}

int QtFormView::SelectedRow(std::string_view control) const { return Find<ListView>(control)->SelectedRow(); }

void QtFormView::Show(std::string_view control, bool shown) { Find<QWidget>(control)->setVisible(shown); }

void QtFormView::SetToolTip(std::string_view control, std::string_view text) {
  // A tooltip is shown as rich text when it looks like markup; this one is
  // always the text's characters.
  const QString plain = FromUtf8(text);
  Find<QWidget>(control)->setToolTip(Qt::mightBeRichText(plain) ? Qt::convertFromPlainText(plain, Qt::WhiteSpacePre)
                                                                 : plain);
}

}  // namespace tarvelo::widgets
