#pragma once

#include "forms/FormView.h"

class QWidget;

namespace tarvelo::widgets {

// A page's Qt controls as the pages' logic sees them: each found among the
// panel's children by its object name.
class QtFormView : public form::FormView {
 public:
  explicit QtFormView(QWidget& panel) : panel_(panel) {}

  std::string Text(std::string_view control) const override;
  void SetText(std::string_view control, std::string_view text) override;
  bool Checked(std::string_view control) const override;
  void SetChecked(std::string_view control, bool checked) override;
  void SetItems(std::string_view control, const std::vector<std::string>& items) override;
  bool Choose(std::string_view control, std::string_view item) override;
  void ChooseIndex(std::string_view control, int index) override;
  void AddRow(std::string_view control, const std::vector<std::string>& cells) override;
  void ScrollToRow(std::string_view control, int row) override;
  int RowCount(std::string_view control) const override;
  void ClearRows(std::string_view control) override;
  std::string CellText(std::string_view control, int row, int column) const override;
  void SetCellText(std::string_view control, int row, int column, std::string_view text) override;
  int SelectedRow(std::string_view control) const override;
  void Show(std::string_view control, bool shown) override;
  void SetToolTip(std::string_view control, std::string_view text) override;

 private:
  template <typename Widget>
  Widget* Find(std::string_view control) const;

  QWidget& panel_;
};

}  // namespace tarvelo::widgets
