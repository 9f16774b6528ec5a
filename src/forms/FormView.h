#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarvelo::form {

// A built form as the pages' logic reads and changes it, each control by its
// name: the same calls drive the Qt and the Win32 windows. Texts are UTF-8
// and always plain text.
class FormView {
 public:
  virtual ~FormView() = default;

  // A label's text, or the entry chosen in a drop-down list.
  virtual std::string Text(std::string_view control) const = 0;
  virtual void SetText(std::string_view control, std::string_view text) = 0;

  virtual bool Checked(std::string_view control) const = 0;
  virtual void SetChecked(std::string_view control, bool checked) = 0;

  // A drop-down list's entries, in order; nothing is chosen until Choose.
  virtual void SetItems(std::string_view control, const std::vector<std::string>& items) = 0;
  // Chooses the entry of that text; false, and the choice unchanged, when
  // there is none.
  virtual bool Choose(std::string_view control, std::string_view item) = 0;
  // Chooses the entry at index.
  virtual void ChooseIndex(std::string_view control, int index) = 0;

  // Adds a row at the end of a list view.
  virtual void AddRow(std::string_view control, const std::vector<std::string>& cells) = 0;
  // Scrolls the list view so that the row is in sight.
  virtual void ScrollToRow(std::string_view control, int row) = 0;
  virtual int RowCount(std::string_view control) const = 0;
  virtual void ClearRows(std::string_view control) = 0;
  virtual std::string CellText(std::string_view control, int row, int column) const = 0;
  virtual void SetCellText(std::string_view control, int row, int column, std::string_view text) = 0;
  // The selected row, or -1.
  virtual int SelectedRow(std::string_view control) const = 0;

  virtual void Show(std::string_view control, bool shown) = 0;
  // The text shown when the pointer rests on the control.
  virtual void SetToolTip(std::string_view control, std::string_view text) = 0;
};

}  // namespace tarvelo::form
