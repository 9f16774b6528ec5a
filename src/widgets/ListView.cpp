#include "widgets/ListView.h"

#include <QHeaderView>

#include "widgets/Twips.h"

namespace tarvelo::widgets {

ListView::ListView(QWidget* parent, const QString& name, int leftTwips, int topTwips, int widthTwips,
                   int heightTwips, const std::vector<Column>& columns)
    : QTreeWidget(parent) {
  setObjectName(name);
  setGeometry(TwipsRect(leftTwips, topTwips, widthTwips, heightTwips));
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setColumnCount(static_cast<int>(columns.size()));
  QStringList headers;
  for (const Column& c : columns) headers << c.header;
  setHeaderLabels(headers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  int i = 0;
  for (const Column& c : columns) setColumnWidth(i++, TwipsToPixels(c.widthTwips));
}

QTreeWidgetItem* ListView::AddRow(const QStringList& texts) {
  auto* item = new QTreeWidgetItem(this, texts);
  return item;
}

QString ListView::Text(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item != nullptr ? item->text(column) : QString();
}

void ListView::SetText(int row, int column, const QString& text) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, text);
}

int ListView::SelectedRow() const {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

}  // namespace tarvelo::widgets
