#pragma once

#include <functional>

#include "app/FormTarvelo.h"
#include "tray/TrayController.h"

namespace tarvelo::testing {

// The widget suites run on the offscreen platform, which has no tray host, so
// closing the window would minimise it. A test of the usual hiding says that
// a host shows the icon (or answers for one as it goes).
inline void AssumeTrayHost(FormTarvelo& form, std::function<bool()> present = [] { return true; }) {
  form.findChild<TrayController*>("TrayController")->SetHostAvailable(std::move(present));
}

}  // namespace tarvelo::testing
