#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>

#include "forms/Form.h"

namespace tarvelo::button {

class CommandModel;

// The program's push button as a window of its own on Windows: the same
// model and painting recipe as the Qt widget, the caption drawn by GDI.
class WinCommand {
 public:
  // Makes the button of a form's description as a child of parent; the
  // window owns the object and deletes it when it is destroyed.
  static WinCommand* Place(HWND parent, const form::Control& control, int id, UINT dpi);
  // The button of a window, or nothing for another window.
  static WinCommand* Of(HWND window);

  HWND Handle() const { return window_; }
  std::string Caption() const;
  void SetCaption(std::string_view caption);
  // Runs on every click (mouse, Space, Return, the access key).
  void OnClick(std::function<void()> click) { click_ = std::move(click); }
  void SetDefaultButton(bool isDefault);
  // The window moved to a monitor of another DPI (the owner resizes it).
  void SetDpi(UINT dpi);
  const CommandModel& Model() const { return *model_; }

  ~WinCommand();

 private:
  class Site;
  WinCommand(HWND window, UINT dpi);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_;
  std::unique_ptr<Site> site_;
  std::unique_ptr<CommandModel> model_;
  std::function<void()> click_;
  bool tracking_ = false;
};

}  // namespace tarvelo::button
