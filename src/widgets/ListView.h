#pragma once

#include <QTreeWidget>
#include <vector>

namespace tarvelo::widgets {

// A list view in report style: a header with columns of fixed widths (in
// twips), rows of plain text, whole-row selection.
class ListView : public QTreeWidget {
  Q_OBJECT

 public:
  struct Column {
    QString header;
    int widthTwips;
  };

  ListView(QWidget* parent, const QString& name, int leftTwips, int topTwips, int widthTwips, int heightTwips,
           const std::vector<Column>& columns);

  int RowCount() const { return topLevelItemCount(); }
  // Adds a row at the end with the texts of its first columns.
  QTreeWidgetItem* AddRow(const QStringList& texts);
  QString Text(int row, int column) const;
  void SetText(int row, int column, const QString& text);
  // The selected row, or -1.
  int SelectedRow() const;
};

}  // namespace tarvelo::widgets
