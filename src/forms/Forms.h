#pragma once

#include "common/Pages.h"
#include "common/PropertyBag.h"
#include "forms/Form.h"

// The program's windows: the main window's frame, its six pages and the
// dialog that limits a process's CPU use.
namespace tarvelo::form {

// Where every page stands in the main window (twips).
inline constexpr int kPageLeft = 3840;
inline constexpr int kPageTop = 2160;

const Form& MainForm();
const Form& StatusForm();
const Form& ProcessForm();
const Form& CpuForm();
const Form& MemoryForm();
const Form& SettingForm();
const Form& AboutForm();
const Form& LimitDialogForm();

// The form of a page of the main window.
const Form& PageForm(PageId page);

// The diagram of the Status page as saved with it: dark grey, flat, a
// light-orange grid, the root drive; every other property at its default.
PropertyBag StatusDiagramProperties();

}  // namespace tarvelo::form
