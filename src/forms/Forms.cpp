#include "forms/Forms.h"

#include <cstdint>
#include <string>

namespace tarvelo::form {

namespace {

constexpr Rgb kOrange{255, 128, 0};
constexpr Rgb kGrey{64, 64, 64};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kNoticeRed{192, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

constexpr Font kTitleFont{"Arial", 9, true};
constexpr Font kProductFont{"Arial", 12, true};

// A heading: bold, orange.
constexpr Control Heading(const char* name, const char* text, int left, int top) {
  return {.name = name, .kind = Kind::Label, .text = text, .left = left, .top = top, .font = kHeadingFont,
          .color = kOrange};
}

constexpr Control Text(const char* name, const char* text, int left, int top, std::optional<Rgb> color = {}) {
  return {.name = name, .kind = Kind::Label, .text = text, .left = left, .top = top, .color = color};
}

// A label of fixed size; its lines break unless `wrap` is false.
constexpr Control Box(const char* name, const char* text, int left, int top, int width, int height,
                      std::optional<Rgb> color = {}, bool wrap = true) {
  return {.name = name, .kind = Kind::Label, .text = text, .left = left, .top = top, .width = width,
          .height = height, .color = color, .wrap = wrap};
}

constexpr Control Sized(const char* name, Kind kind, const char* text, int left, int top, int width, int height) {
  return {.name = name, .kind = kind, .text = text, .left = left, .top = top, .width = width, .height = height};
}

constexpr Control Hidden(Control control) {
  control.hidden = true;
  return control;
}

const PageInfo& Page(PageId page) { return InfoOf(page); }

// The main window's frame: caption strip, titles, version, banner and the two
// buttons of the caption. The navigation column comes from the page table.
const Control kMain[] = {
    Sized("ImageCaption", Kind::Picture, "", 480, 0, 10215, 375),
    {.name = "Label9", .kind = Kind::Label, .text = "Tarvelo", .left = 390, .top = 105, .font = kTitleFont,
     .color = kWhite},
    {.name = "Label8", .kind = Kind::Label, .text = "Tarvelo", .left = 1680, .top = 720, .font = kProductFont,
     .color = kGrey},
    Text("Label4", "One tool with 3 powerful ways to make your PC run extremely fast", 1680, 960, kGrey),
    Text("Label38", "v1.7", 10800, 8040, kGrey),
    Box("LabelAd", "Nothing", 240, 8040, 8295, 180, kGrey, false),
    Sized("ImageMin", Kind::Picture, "", 10800, 90, 420, 225),
    Sized("ImageExit", Kind::Picture, "", 11280, 90, 420, 225),
};

constexpr Control Caption(const char* name, const char* text, int left, int top) {
  return {.name = name, .kind = Kind::Label, .text = text, .left = left, .top = top, .font = kCaptionFont,
          .color = kGrey};
}

// A square of the diagram's legend, in the colour of its curve.
constexpr Control LegendSquare(const char* name, int left, Rgb color) {
  return {.name = name, .kind = Kind::Shape, .left = left, .top = 4440, .width = 135, .height = 135,
          .color = color, .fill = color};
}

const Control kStatus[] = {
    {.name = "Shape11", .kind = Kind::Shape, .left = 720, .top = 720, .width = 6195, .height = 1965,
     .color = Rgb{224, 224, 224}},
    Heading("Label36", "Speed up status", 720, 360),
    Sized("Image1", Kind::Picture, "", 2400, 175, 975, 555),
    Caption("Label35", "Time:", 1200, 1080),
    Text("LabelTime", "time", 1800, 1080),
    Caption("Label1", "Whole system faster:", 1200, 1320),
    Text("LabelSpeed", "0%", 3120, 1320, kRed),
    Caption("Label2", "Now Speeding up:", 1200, 1560),
    Text("LabelStateNowImproving", "None", 2760, 1560, kGreen),
    Caption("Label5", "The count of the process with CPU usage limited:", 1200, 1800),
    Text("LabelStateProcessLimited", "0", 5400, 1800, Rgb{192, 0, 192}),
    Caption("Label6", "Memory usage:", 1200, 2040),
    Text("LabelStateMemoryState", "0", 2520, 2040, kOrange),
    Heading("Label7", "System resource status", 840, 3000),
    Sized("CpuMonitorState", Kind::Monitor, "", 720, 3360, 6255, 855),
    // The legend: the diagram's default curve colours.
    LegendSquare("Shape1", 600, {0, 255, 0}),
    Text("Label14", "CPU", 840, 4440),
    LegendSquare("Shape2", 1440, {255, 255, 0}),
    Text("Label15", "Memory", 1680, 4440),
    LegendSquare("Shape3", 2640, {255, 0, 0}),
    Text("Label16", "Page space", 2880, 4440),
    LegendSquare("Shape5", 4080, {255, 128, 255}),
    Text("Label18", "Disk space", 4320, 4440),
    LegendSquare("Shape4", 5520, {0, 0, 255}),
    Text("Label17", "Virual memory", 5760, 4440),
};

const Column kHistoryColumns[] = {{"NO.", 1058}, {"Time", 1764}, {"Target", 4939}, {"Priority", 2540}};

const Control kProcess[] = {
    Heading("Label12", "The first way - increase the priority of processes - Speed up process", 360, 120),
    Box("Label10",
        "The higher priority,the more system resources the process will obtain and faster it will "
        "run.This fuction can adjust the process priority intelligently, increase the priority of "
        "active processes and reduce the priority of the inactive process automatically .",
        360, 480, 6645, 810),
    Sized("CheckNowImproveProcess", Kind::CheckBox, "Enable speed up process", 1200, 1560, 2895, 255),
    Text("Label3", "Speed up level:", 1560, 1920),
    Sized("ComboSpeed", Kind::ComboList, "", 3000, 1920, 1815, 300),
    Box("Label37", "Above Normal level can speed up 10%-20%,High level can speed up 20%-30%", 1560, 2280, 4860,
        420),
    Text("Label28", "Speed up count:", 1140, 2760),
    Box("LabelImprovedCount", "None", 2640, 2760, 1815, 255, kOrange, false),
    Text("Label11", "Now speeding up:", 1035, 3000),
    Box("LabelNowImproveProcess", "None", 2640, 3000, 3735, 255, kGreen, false),
    Heading("Label13", "Log:", 360, 3480),
    {.name = "ListViewHistory", .kind = Kind::ListView, .left = 390, .top = 3735, .width = 6480, .height = 1800,
     .columns = kHistoryColumns},
    // In the free corner right of the switch and the level, the button below
    // it, right of Label37.
    Hidden(Box("LabelBoostNotice", "", 4950, 1320, 2760, 930, kNoticeRed)),
    Hidden(Sized("CommandAllow", Kind::Command, "Allow\u2026", 6480, 2280, 1230, 360)),
};

const Column kProcessColumns[] = {{"ID", 1411}, {"PID", 1411}, {"Process", 4586}, {"CPU Usage limited", 3528}};

const Control kCpu[] = {
    Heading("Label22", "The second way - limit process CPU usage - Speed up CPU", 360, 120),
    // Both descriptions are kept as written, a carriage return at the end.
    Box("Label21",
        "This function can limit the CPU usage of a process and ensure system has sufficient CPU "
        "resource for other active processes.\r",
        360, 480, 6645, 450),
    Box("Label39",
        "When a process use too much CPU,it will slow down the pc speed.Using this function can limit "
        "the CPU usage.\r",
        360, 960, 6735, 375),
    Text("Label24", "Limited count:", 360, 1440),
    Text("LabelCPULimitedCount", "0", 1800, 1440),
    {.name = "ListViewProcesses", .kind = Kind::ListView, .left = 375, .top = 1695, .width = 6585, .height = 3105,
     .columns = kProcessColumns},
    Sized("CommandRefreshProcess", Kind::Command, "Refresh", 840, 5040, 1455, 375),
    Sized("CommandLimitProcessCPU", Kind::Command, "Limit", 2520, 5040, 1455, 375),
    // Right of the buttons, in the notice red of the booster page.
    Hidden(Box("LabelLimitNotice", "", 4140, 4875, 3135, 540, kNoticeRed)),
};

const Column kMemoryLogColumns[] = {{"NO.", 1058}, {"Time", 2540}, {"Event", 6350}};

const Control kMemory[] = {
    Heading("Label19", "The third way - Automatically release memory - Speed up memory", 360, 120),
    Box("Label20",
        "This function will release system memory intelligently. This make the system have sufficient "
        "memory available to the active program so that the program can run faster.",
        360, 480, 6645, 570),
    Heading("Label40", "Memory status", 360, 1200),
    Text("Label30", "All:", 600, 1560),
    Text("LabelMemoryAll", "0 MB", 960, 1560, kGrey),
    Text("Label31", "Used:", 2040, 1560),
    Text("LabelMemoryUsed", "0 MB", 2640, 1560, kRed),
    Text("Label32", "Left:", 3720, 1560),
    Text("LabelMemoryLeft", "0 MB", 4200, 1560, kGreen),
    Text("Label29", "Used rate:", 5160, 1560),
    Text("LabelMemoryUsedPercent", "30%", 6240, 1560, kRed),
    Sized("CommandFreeMemory", Kind::Command, "Release memory now", 1560, 2040, 3495, 495),
    Sized("CheckEnableAutoFreeMemory", Kind::CheckBox, "Automatically release memory", 1200, 2880, 3735, 255),
    Text("Label23", "Interval:", 1560, 3240),
    Sized("ComboInterval", Kind::ComboList, "", 2400, 3240, 1815, 300),
    Heading("Label25", "Log", 360, 3840),
    {.name = "ListViewMemoryLog", .kind = Kind::ListView, .left = 375, .top = 4215, .width = 6495, .height = 1215,
     .columns = kMemoryLogColumns},
};

const Control kSetting[] = {
    Sized("Image3", Kind::Picture, "", 360, 240, 720, 720),
    Heading("Label27", "Settings", 1320, 240),
    Sized("CheckAutoRun", Kind::CheckBox, "Start with windows", 1320, 600, 4335, 255),
    Sized("CheckAutoMin", Kind::CheckBox, "Auto minimize on start up", 1320, 960, 4335, 255),
};

const Control kAbout[] = {
    Sized("ImageAboutEmblem", Kind::Picture, "", 360, 240, 720, 720),
    Heading("LabelAboutTitle", "Tarvelo", 1320, 300),
    Text("LabelAboutVersion", "Version 1.7", 1320, 600, kGrey),
    Text("LabelAboutText", "Speeds up programs, CPU and memory.", 1320, 840, kGrey),
    // The home page's address, filled in at run time.
    Box("LabelHomepage", "", 360, 1320, 3150, 180, Rgb{0, 0, 255}, false),
};

const Control kLimitDialog[] = {
    Sized("ImageProcessIco", Kind::Picture, "", 120, 120, 615, 615),
    Text("Label2", "PID:", 1290, 240),
    Text("LabelProcessPID", "", 1800, 240),
    Text("Label1", "Process:", 960, 600),
    Box("LabelProcessPath", "", 1800, 600, 5085, 450),
    Text("Label3", "limit CPU usage:", 360, 1440),
    Sized("SliderPercent", Kind::Slider, "", 1800, 1320, 4335, 615),
    Box("LabelPercent", "99", 6360, 1440, 615, 495, {}, false),
    Sized("CommandModify", Kind::Command, "Adjustment", 2040, 2160, 1335, 375),
    Sized("CommandFree", Kind::Command, "Release", 3600, 2160, 1335, 375),
    Sized("CommandOK", Kind::Command, "OK", 2040, 2640, 1335, 375),
    Sized("CommandCancel", Kind::Command, "Cancel", 3600, 2640, 1335, 375),
};

Form PageOf(PageId page, std::span<const Control> controls) {
  return {Page(page).panel, "", Page(page).panelWidth, Page(page).panelHeight, controls};
}

}  // namespace

const Form& MainForm() {
  static const Form form{"FormTarvelo", "Tarvelo", 11790, 8355, kMain};
  return form;
}

const Form& StatusForm() {
  static const Form form = PageOf(PageId::State, kStatus);
  return form;
}

const Form& ProcessForm() {
  static const Form form = PageOf(PageId::Process, kProcess);
  return form;
}

const Form& CpuForm() {
  static const Form form = PageOf(PageId::CPU, kCpu);
  return form;
}

const Form& MemoryForm() {
  static const Form form = PageOf(PageId::Memory, kMemory);
  return form;
}

const Form& SettingForm() {
  static const Form form = PageOf(PageId::Setting, kSetting);
  return form;
}

const Form& AboutForm() {
  static const Form form = PageOf(PageId::About, kAbout);
  return form;
}

const Form& LimitDialogForm() {
  static const Form form{"FormSetProcessCpuPercent", "Limit process CPU usage", 7110, 3555, kLimitDialog};
  return form;
}

const Form& PageForm(PageId page) {
  switch (page) {
    case PageId::State: return StatusForm();
    case PageId::Process: return ProcessForm();
    case PageId::CPU: return CpuForm();
    case PageId::Memory: return MemoryForm();
    case PageId::Setting: return SettingForm();
    case PageId::About: break;
  }
  return AboutForm();
}

PropertyBag StatusDiagramProperties() {
  return {
      {"BackColor", std::int64_t{4210752}},
      {"Appearance", std::int64_t{0}},
      {"DisplayGridColor", std::int64_t{8438015}},
      {"HDDriveLetter", std::string("C:\\")},
  };
}

}  // namespace tarvelo::form
