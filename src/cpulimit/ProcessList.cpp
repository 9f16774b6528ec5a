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

bool Contains(std::string_view module, std::string_view wantedUpper) {
  return AsciiUpper(ModulePublicFunction::TrimAtNull(module)).find(wantedUpper) != std::string::npos;
}

std::string Matched(std::string_view module) { return AsciiLower(ModulePublicFunction::TrimAtNull(module)); }

std::string ModulePath(platform::ProcessTable& processes, platform::ProcessId pid, std::string_view name,
                       std::string_view knownExe) {
  const std::string wanted = AsciiUpper(ModulePublicFunction::TrimAtNull(name));
  // The executable is the first module and nearly always the match: the
  // mappings are read only when it is not.
  if (!knownExe.empty() && Contains(knownExe, wanted)) return Matched(knownExe);
  for (const std::string& module : processes.Modules(pid)) {
    if (Contains(module, wanted)) return Matched(module);
  }
  return {};
}

}  // namespace

std::string GetProcessPath(platform::ProcessTable& processes, platform::ProcessId pid, std::string_view name) {
  return ModulePath(processes, pid, name, {});
}

std::vector<ProcessRow> LoadProcessList(platform::ProcessTable& processes) {
  std::vector<ProcessRow> rows;
  for (const platform::ProcessEntry& entry : processes.Snapshot()) {
    ProcessRow row;
    row.name = ModulePublicFunction::TrimAtNull(entry.exeName);
    row.path = ModulePath(processes, entry.pid, row.name, entry.exePath);
    if (row.path.empty()) continue;  // modules unreadable: not listed
    row.id = static_cast<int>(rows.size()) + 1;
    row.pid = entry.pid;
    row.iconKey = "P" + std::to_string(rows.size() + 2);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace tarvelo
