#pragma once

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

#include "forms/Form.h"
#include "forms/FormView.h"

namespace tarvelo::winui {

// The window of one form: a child window that holds the form's controls, the
// system's own for labels, check boxes, drop-down lists, list views and the
// slider, and a painted square for shapes. Controls of the other kinds
// (pictures, buttons, the diagram) come from the owner's `custom`. Each
// control's id is 1000 plus its place in the form; the panel's own text is
// the form's name.
class FormPanel : public form::FormView {
 public:
  // Makes the window of one control the panel does not know how to make.
  using Custom = std::function<HWND(HWND panel, const form::Control& control, int id, UINT dpi)>;
  // A control reported WM_COMMAND (code: the notification) or WM_NOTIFY.
  using Notified = std::function<void(const form::Control& control, UINT code)>;
  // Paints the panel's background (the whole client area).
  using Background = std::function<void(HDC dc, const RECT& client)>;

  static constexpr int kFirstId = 1000;

  FormPanel(HWND parent, const form::Form& form, POINT topLeftPixels, Custom custom, Background background = {});
  ~FormPanel() override;
  FormPanel(const FormPanel&) = delete;
  FormPanel& operator=(const FormPanel&) = delete;

  HWND Handle() const { return window_; }
  const form::Form& Description() const { return form_; }
  UINT Dpi() const { return dpi_; }
  // The window of the named control; aborts for a name the form lacks.
  HWND Control(std::string_view name) const;

  void OnNotified(Notified notified) { notified_ = std::move(notified); }

  // A label's text is plain text (no prefix characters); a label sized by its
  // text grows or shrinks with it.
  std::string Text(std::string_view name) const override;
  void SetText(std::string_view name, std::string_view utf8) override;
  bool Checked(std::string_view name) const override;
  void SetChecked(std::string_view name, bool checked) override;
  void SetItems(std::string_view name, const std::vector<std::string>& items) override;
  bool Choose(std::string_view name, std::string_view item) override;
  void ChooseIndex(std::string_view name, int index) override;
  void AddRow(std::string_view name, const std::vector<std::string>& cells) override;
  void ScrollToRow(std::string_view name, int row) override;
  int RowCount(std::string_view name) const override;
  void ClearRows(std::string_view name) override;
  std::string CellText(std::string_view name, int row, int column) const override;
  void SetCellText(std::string_view name, int row, int column, std::string_view text) override;
  int SelectedRow(std::string_view name) const override;
  void Show(std::string_view name, bool shown) override;
  void SetToolTip(std::string_view name, std::string_view text) override;

  void SetColor(std::string_view name, form::Rgb color);

  // The window moved to a monitor of another DPI: the panel at topLeft and
  // every control placed, sized and lettered again at dpi. Controls the owner
  // made are moved and sized; the owner gives them their new DPI (relaid).
  void SetDpi(UINT dpi, POINT topLeftPixels, const std::function<void(HWND control, UINT dpi)>& relaid = {});

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  HWND Make(const form::Control& control, int id, const Custom& custom);
  std::size_t IndexOf(std::string_view name) const;
  void FitToText(std::size_t index);
  void Place(std::size_t index);

  const form::Form& form_;
  HWND window_ = nullptr;
  UINT dpi_ = 96;
  std::vector<HWND> controls_;
  std::vector<COLORREF> colors_;
  HBRUSH white_ = nullptr;
  HWND toolTips_ = nullptr;  // made for the first tooltip
  std::vector<HWND> tipped_;  // the controls it has a tip for
  Notified notified_;
  Background background_;
};

}  // namespace tarvelo::winui
