#include "cpulimit/ProcessList.h"

#include <algorithm>

#include "common/ModulePublicFunction.h"

namespace tarvelo {

namespace {

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; });
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; });
  return out;
}

}  // namespace

std::string GetProcessPath(platform::ProcessTable& processes, platform::ProcessId pid, std::string_view name) {
  const std::string wanted = AsciiUpper(ModulePublicFunction::TrimAtNull(name));
  for (const std::string& module : processes.Modules(pid)) {
    if (AsciiUpper(ModulePublicFunction::TrimAtNull(module)).find(wanted) != std::string::npos) {
      return AsciiLower(ModulePublicFunction::TrimAtNull(module));
    }
  }
  return {};
}

std::vector<ProcessRow> LoadProcessList(platform::ProcessTable& processes) {
  std::vector<ProcessRow> rows;
  for (const platform::ProcessEntry& entry : processes.Snapshot()) {
    ProcessRow row;
    row.name = ModulePublicFunction::TrimAtNull(entry.exeName);
    row.path = GetProcessPath(processes, entry.pid, row.name);
    if (row.path.empty()) continue;  // modules unreadable: not listed
    row.id = static_cast<int>(rows.size()) + 1;
    row.pid = entry.pid;
    row.iconKey = "P" + std::to_string(rows.size() + 2);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tarvelo
