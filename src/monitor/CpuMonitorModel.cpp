#include "monitor/CpuMonitorModel.h"

#include <algorithm>
#include <limits>

#include "common/ModulePublicFunction.h"

namespace tarvelo::monitor {

namespace Support = ModuleCpuMonitorSupport;

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();

// Reads a key into field; an unreadable value leaves the field as it is.
void Read(const PropertyBag& bag, std::string_view key, bool defaultValue, bool& field) {
  if (const auto v = bag.ReadBool(key, defaultValue)) field = *v;
}
void Read(const PropertyBag& bag, std::string_view key, Color defaultValue, Color& field) {
  if (const auto v = bag.ReadColor(key, defaultValue)) field = *v;
}
void Read(const PropertyBag& bag, std::string_view key, int defaultValue, int& field, std::int64_t min,
          std::int64_t max) {
  if (const auto v = bag.ReadInteger(key, defaultValue, min, max)) field = static_cast<int>(*v);
}

PropertyBag::Value ColorValue(Color c) { return static_cast<std::int64_t>(c); }

}  // namespace

CpuMonitorModel::CpuMonitorModel(MonitorPlatform platform, CpuMonitorHost& host, bool runMode)
    : platform_(std::move(platform)),
      host_(host),
      runMode_(runMode),
      // Known from the start, so that a reading before monitoring starts asks
      // the right counter.
      platformIsNT_(Support::IsWindowsNT(platform_)) {}

CpuMonitorModel::~CpuMonitorModel() { Support::StopCpuCounter(platformIsNT_, platform_); }

// ---- Life cycle

void CpuMonitorModel::InitProperties() {
  cpuMonitorDisplayed_ = memoryLoadDisplayed_ = pageFileDisplayed_ = virtualMemoryDisplayed_ = true;
  hdMonitorDisplayed_ = displayGrid_ = scrollGrid_ = true;
  cpuMonitorColor_ = kDefaultCPUMonitorColor;
  memoryLoadColor_ = kDefaultMemoryLoadColor;
  pageFileColor_ = kDefaultPageFileColor;
  virtualMemoryColor_ = kDefaultVirtualMemoryColor;
  displayGridColor_ = kDefaultDisplayGridColor;
  hdMonitorColor_ = kDefaultHDMonitorColor;
  updateInterval_ = kDefaultUpdateInterval;
  diagramStyle_ = kDefaultDiagramStyle;
  hdDriveLetter_ = ModulePublicFunction::CutToCharacters(Support::GetWindowsDirectoryPath(platform_), 3);
  appearance_ = 1;
  borderStyle_ = 1;
  backColor_ = 0;
  FitSurface();
  RedrawDiagram();
}

void CpuMonitorModel::ReadProperties(const PropertyBag& bag) {
  Read(bag, "CPUMonitorDisplayed", true, cpuMonitorDisplayed_);
  Read(bag, "PageFileDisplayed", true, pageFileDisplayed_);
  Read(bag, "VirtualMemoryDisplayed", true, virtualMemoryDisplayed_);
  Read(bag, "CPUMonitorColor", kDefaultCPUMonitorColor, cpuMonitorColor_);
  Read(bag, "MemoryLoadDisplayed", true, memoryLoadDisplayed_);
  Read(bag, "MemoryColor", kDefaultMemoryLoadColor, memoryLoadColor_);
  Read(bag, "PageFileColor", kDefaultPageFileColor, pageFileColor_);
  Read(bag, "VirtualMemoryColor", kDefaultVirtualMemoryColor, virtualMemoryColor_);
  Read(bag, "DisplayGrid", true, displayGrid_);
  Read(bag, "DisplayGridColor", kDefaultDisplayGridColor, displayGridColor_);
  Read(bag, "UpdateInterval", kDefaultUpdateInterval, updateInterval_, kInt32Min, kInt32Max);
  Read(bag, "ScrollGrid", true, scrollGrid_);
  Read(bag, "DiagramStyle", kDefaultDiagramStyle, diagramStyle_, kInt32Min, kInt32Max);
  Read(bag, "Appearance", kDefaultAppearance, loadedAppearance_, kInt16Min, kInt16Max);
  Read(bag, "BorderStyle", kDefaultBorderStyle, loadedBorderStyle_, kInt16Min, kInt16Max);
  Read(bag, "BackColor", kDefaultBackColor, backColor_);
  Read(bag, "Enabled", true, loadedEnabled_);
  Read(bag, "HDMonitorDisplayed", true, hdMonitorDisplayed_);
  Read(bag, "HDMonitorColor", kDefaultHDMonitorColor, hdMonitorColor_);
  if (const auto drive = bag.ReadString("HDDriveLetter", "")) hdDriveLetter_ = *drive;  // as saved
  StartMonitoring();
}

void CpuMonitorModel::WriteProperties(PropertyBag& bag) const {
  bag.WriteProperty("BackColor", ColorValue(backColor_), ColorValue(kDefaultBackColor));
  bag.WriteProperty("Appearance", std::int64_t{appearance_}, std::int64_t{kDefaultAppearance});
  bag.WriteProperty("BorderStyle", std::int64_t{borderStyle_}, std::int64_t{kDefaultBorderStyle});
  bag.WriteProperty("CPUMonitorDisplayed", cpuMonitorDisplayed_, true);
  bag.WriteProperty("PageFileDisplayed", pageFileDisplayed_, true);
  bag.WriteProperty("VirtualMemoryDisplayed", virtualMemoryDisplayed_, true);
  bag.WriteProperty("CPUMonitorColor", ColorValue(cpuMonitorColor_), ColorValue(kDefaultCPUMonitorColor));
  bag.WriteProperty("MemoryLoadDisplayed", memoryLoadDisplayed_, true);
  bag.WriteProperty("MemoryColor", ColorValue(memoryLoadColor_), ColorValue(kDefaultMemoryLoadColor));
  bag.WriteProperty("PageFileColor", ColorValue(pageFileColor_), ColorValue(kDefaultPageFileColor));
  bag.WriteProperty("VirtualMemoryColor", ColorValue(virtualMemoryColor_), ColorValue(kDefaultVirtualMemoryColor));
  bag.WriteProperty("Enabled", enabled_, true);
  bag.WriteProperty("DisplayGrid", displayGrid_, true);
  bag.WriteProperty("DisplayGridColor", ColorValue(displayGridColor_), ColorValue(kDefaultDisplayGridColor));
  bag.WriteProperty("UpdateInterval", std::int64_t{updateInterval_}, std::int64_t{kDefaultUpdateInterval});
  bag.WriteProperty("ScrollGrid", scrollGrid_, true);
  bag.WriteProperty("DiagramStyle", std::int64_t{diagramStyle_}, std::int64_t{kDefaultDiagramStyle});
  bag.WriteProperty("HDMonitorDisplayed", hdMonitorDisplayed_, true);
  bag.WriteProperty("HDMonitorColor", ColorValue(hdMonitorColor_), ColorValue(kDefaultHDMonitorColor));
  bag.WriteProperty("HDDriveLetter", hdDriveLetter_, std::string());
}

void CpuMonitorModel::StartMonitoring() {
  if (runMode_) {
    host_.SetTimerInterval(updateInterval_);  // a refused interval leaves the timer silent
    host_.SetTimerEnabled(true);
  }
  history_.assign(static_cast<std::size_t>(std::max(outerWidth_, 0)) + 1, SystemLevels{});
  platformIsNT_ = Support::IsWindowsNT(platform_);
  Support::InitCpuCounter(platformIsNT_, platform_);
  firstSampleIndex_ = ScaleWidth() - 1;
  historyLast_ = Last();
  // The loaded border changes the inner width; the history moves with it, so
  // the first samples land at the right edge of the final picture.
  if (loadedAppearance_ == 0 || loadedAppearance_ == 1) appearance_ = loadedAppearance_;
  if (loadedBorderStyle_ == 0 || loadedBorderStyle_ == 1) borderStyle_ = loadedBorderStyle_;
  enabled_ = loadedEnabled_;
  FitSurface();
}

void CpuMonitorModel::Timer1Tick() {
  if (!enabled_ || !runMode_) return;
  if (gridOffset_ > std::numeric_limits<int>::min()) --gridOffset_;
  TakeSample();
  RedrawDiagram();
  if (static_cast<std::size_t>(Last()) < history_.size()) host_.RaiseUpdate(ReportOf(history_[Last()]));
}

void CpuMonitorModel::TakeSample() {
  const int last = Last();
  const bool inHistory = static_cast<std::size_t>(last) < history_.size();
  if (inHistory) std::copy(history_.begin() + 1, history_.begin() + last + 1, history_.begin());
  if (firstSampleIndex_ >= 1) --firstSampleIndex_;
  SystemLevels scratch;  // readings with no slot to go to
  SystemLevels& slot = inHistory ? history_[static_cast<std::size_t>(last)] : scratch;
  Support::GetMemoryLevels(platform_, slot);
  Support::GetDiskLevels(platform_, hdDriveLetter_, slot);
  slot.CPULoadPercent = Support::GetCpuUsage(platformIsNT_, platform_);
}

void CpuMonitorModel::Resize(int outerWidth, int outerHeight) {
  outerWidth_ = std::max(outerWidth, 0);
  outerHeight_ = std::max(outerHeight, 0);
  FitSurface();
  RedrawDiagram();
}

int CpuMonitorModel::BorderWidth() const {
  if (borderStyle_ == 0) return 0;
  return appearance_ == 1 ? 2 : 1;
}

int CpuMonitorModel::Last() const { return std::max(ScaleWidth() - 1, 0); }

void CpuMonitorModel::FitSurface() {
  const int border = 2 * BorderWidth();
  const int width = std::max(outerWidth_ - border, 0);
  const int height = std::max(outerHeight_ - border, 0);
  if (width != surface_.Width() || height != surface_.Height()) surface_.Resize(width, height, backColor_);
  if (history_.empty()) return;  // not monitoring

  const int last = Last();
  const int delta = last - historyLast_;
  if (delta == 0) return;
  if (history_.size() < static_cast<std::size_t>(last) + 1) history_.resize(static_cast<std::size_t>(last) + 1);
  const auto begin = history_.begin();
  if (delta > 0) {
    std::copy_backward(begin, begin + historyLast_ + 1, begin + last + 1);
    std::fill(begin, begin + delta, SystemLevels{});
  } else {
    std::copy(begin - delta, begin + historyLast_ + 1, begin);
  }
  firstSampleIndex_ = std::clamp(firstSampleIndex_ + delta, 0, last);
  historyLast_ = last;
}

// ---- Methods

void CpuMonitorModel::Refresh() { host_.Present(); }

void CpuMonitorModel::Reset() {
  gridOffset_ = 0;
  RedrawDiagram();
}

SystemLevelsReport CpuMonitorModel::GetCurrentSystemLevels() {
  TakeSample();
  const auto last = static_cast<std::size_t>(Last());
  return last < history_.size() ? ReportOf(history_[last]) : SystemLevelsReport{};
}

// ---- Properties

void CpuMonitorModel::SetBackColor(Color value) {
  backColor_ = value;
  RedrawDiagram();
  Report("BackColor");
}

bool CpuMonitorModel::SetAppearance(int value) {
  if (value != 0 && value != 1) return false;
  appearance_ = value;
  FitSurface();
  RedrawDiagram();
  Report("Appearance");
  return true;
}

bool CpuMonitorModel::SetBorderStyle(int value) {
  if (value != 0 && value != 1) return false;
  borderStyle_ = value;
  FitSurface();
  RedrawDiagram();
  Report("BorderStyle");
  return true;
}

void CpuMonitorModel::SetEnabled(bool value) {
  enabled_ = value;
  RedrawDiagram();
  Report("Enabled");
}

void CpuMonitorModel::SetCPUMonitorDisplayed(bool value) {
  StoreRedrawReport(cpuMonitorDisplayed_, value, "CPUMonitorDisplayed");
}

void CpuMonitorModel::SetMemoryLoadDisplayed(bool value) {
  StoreRedrawReport(memoryLoadDisplayed_, value, "MemoryLoadDisplayed");
}

void CpuMonitorModel::SetPageFileDisplayed(bool value) {
  StoreRedrawReport(pageFileDisplayed_, value, "PageFileDisplayed");
}

void CpuMonitorModel::SetVirtualMemoryDisplayed(bool value) {
  StoreRedrawReport(virtualMemoryDisplayed_, value, "VirtualMemoryDisplayed");
}

void CpuMonitorModel::SetHDMonitorDisplayed(bool value) {
  StoreRedrawReport(hdMonitorDisplayed_, value, "HDMonitorDisplayed");
}

void CpuMonitorModel::SetCPUMonitorColor(Color value) {
  StoreRedrawReport(cpuMonitorColor_, value, "CPUMonitorColor");
}

void CpuMonitorModel::SetMemoryLoadColor(Color value) {
  StoreRedrawReport(memoryLoadColor_, value, "MemoryColor");
}

void CpuMonitorModel::SetPageFileColor(Color value) {
  StoreRedrawReport(pageFileColor_, value, "PageFileColor");
}

void CpuMonitorModel::SetVirtualMemoryColor(Color value) {
  StoreRedrawReport(virtualMemoryColor_, value, "VirtualMemoryColor");
}

void CpuMonitorModel::SetDisplayGrid(bool value) {
  StoreRedrawReport(displayGrid_, value, "DisplayGrid");
}

void CpuMonitorModel::SetDisplayGridColor(Color value) {
  StoreRedrawReport(displayGridColor_, value, "DisplayGridColor");
}

void CpuMonitorModel::SetScrollGrid(bool value) {
  StoreRedrawReport(scrollGrid_, value, "ScrollGrid");
}

void CpuMonitorModel::SetDiagramStyle(int value) {
  StoreRedrawReport(diagramStyle_, value, "DiagramStyle");
}


void CpuMonitorModel::SetHDMonitorColor(Color value) {
  hdMonitorColor_ = value;
  Report("HDMonitorColor");
}

void CpuMonitorModel::SetHDDriveLetter(std::string_view value) {
  if (value.empty()) return;
  const std::string first = ModulePublicFunction::CutToCharacters(value, 1);
  if (first.size() == value.size()) {
    hdDriveLetter_ = first;  // a lone letter, kept as it is
  } else {
    hdDriveLetter_ = first;
    char& letter = hdDriveLetter_[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    hdDriveLetter_ += ":\\";
  }
  Report("HDDriveLetter");
}

bool CpuMonitorModel::SetUpdateInterval(int value) {
  updateInterval_ = value;
  if (runMode_ && !host_.SetTimerInterval(value)) return false;
  Report("UpdateInterval");
  return true;
}

std::string_view CpuMonitorModel::HelpString(std::string_view member) {
  static constexpr std::pair<std::string_view, std::string_view> kHelp[] = {
      {"BackColor", "Returns/sets the background color used to display text and graphics in an object."},
      {"Appearance", "Returns/sets whether or not an object is painted at run time with 3-D effects."},
      {"BorderStyle", "Returns/sets the border style for an object."},
      {"hdc", "Returns a handle (from Microsoft Windows) to the object's device context."},
      {"hWnd", "Returns a handle (from Microsoft Windows) to an object's window."},
      {"Refresh", "Forces a complete repaint of a object."},
      {"CPUMonitorDisplayed", "Set/Return a value that determines whether the CPU Level is displayed"},
      {"PageFileDisplayed", "Set/Return a value that determines whether the Available PageFile Level is displayed"},
      {"VirtualMemoryDisplayed", "Set/Return a value that determines whether the Virtual Memory level is displayed"},
      {"CPUMonitorColor", "Return/Set the color to use to display the CPU Level"},
      {"MemoryLoadDisplayed", "Set/Return a value that determines whether the Available Memory is displayed"},
      {"MemoryLoadColor", "Return/Set the color to use to display the level of Available Memory "},
      {"PageFileColor", "Return/Set the color to use to display the level of Available PageFile"},
      {"VirtualMemoryColor", "Return/Set the color to use to display the level of Available Virtual Memory"},
      {"Enabled", "Returns/sets a value that determines whether an object can respond to user-generated events."},
  };
  for (const auto& [name, help] : kHelp) {
    if (name == member) return help;
  }
  return {};
}

}  // namespace tarvelo::monitor
