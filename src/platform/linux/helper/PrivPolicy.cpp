#include "platform/linux/helper/PrivPolicy.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "platform/linux/processes/ProcessControl.h"

namespace platform::linux_impl {

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto eol = text.find('\n');
    lines.push_back(text.substr(0, eol));
    if (eol == std::string_view::npos) break;
    text.remove_prefix(eol + 1);
  }
  return lines;
}

bool SafeName(std::string_view name) {
  return !name.empty() && name.size() < 64 &&
         std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

bool SessionIsActiveLocalOf(const std::string& session, uid_t caller, const PolicyPlaces& places) {
  if (!SafeName(session)) return false;
  const auto state = ReadProcText(places.logindDir + "/sessions/" + session);
  if (!state) return false;
  const auto uid = StateValue(*state, "UID");
  const auto active = StateValue(*state, "ACTIVE");
  const auto remote = StateValue(*state, "REMOTE");
  const auto seat = StateValue(*state, "SEAT");
  return uid == std::to_string(caller) && active == "1" && remote != "1" && seat && !seat->empty();
}

}  // namespace

std::optional<std::string> SessionOfCgroup(std::string_view cgroupText) {
  for (const std::string_view line : Lines(cgroupText)) {
    if (line.substr(0, 3) != "0::") continue;
    std::string_view path = line.substr(3);
    constexpr std::string_view kPrefix = "/session-";
    constexpr std::string_view kSuffix = ".scope";
    const auto at = path.find(kPrefix);
    if (at == std::string_view::npos) return std::nullopt;
    path.remove_prefix(at + kPrefix.size());
    const auto end = path.find(kSuffix);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string id(path.substr(0, end));
    if (!SafeName(id)) return std::nullopt;
    return id;
  }
  return std::nullopt;
}

std::optional<std::string> StateValue(std::string_view text, std::string_view key) {
  for (const std::string_view line : Lines(text)) {
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
      return std::string(line.substr(key.size() + 1));
    }
  }
  return std::nullopt;
}

bool InActiveLocalSession(uid_t caller, std::string_view ownCgroupText, const PolicyPlaces& places) {
  if (::access((places.logindDir + "/seats").c_str(), F_OK) != 0) return false;  // no logind
  if (const auto session = SessionOfCgroup(ownCgroupText)) return SessionIsActiveLocalOf(*session, caller, places);
  // Programs started by the user's service manager belong to no session: the
  // user's graphical session stands for them.
  const auto user = ReadProcText(places.logindDir + "/users/" + std::to_string(caller));
  const auto display = user ? StateValue(*user, "DISPLAY") : std::nullopt;
  return display && SessionIsActiveLocalOf(*display, caller, places);
}

bool MayServe(uid_t caller, const std::vector<gid_t>& groups, std::optional<gid_t> boostGroup,
              std::string_view ownCgroupText, const PolicyPlaces& places) {
  if (boostGroup && std::find(groups.begin(), groups.end(), *boostGroup) != groups.end()) return true;
  return InActiveLocalSession(caller, ownCgroupText, places);
}

bool ProcShowsEveryone(std::string_view mountinfo, std::string_view procRoot) {
  bool found = false;
  bool everyone = false;
  // "<id> <parent> <dev> <root> <mount point> <options> ... - <type> <source> <super options>";
  // the last mount on the point is the one seen.
  for (const std::string_view line : Lines(mountinfo)) {
    std::vector<std::string_view> fields;
    std::string_view rest = line;
    while (!rest.empty()) {
      const auto space = rest.find(' ');
      fields.push_back(rest.substr(0, space));
      if (space == std::string_view::npos) break;
      rest.remove_prefix(space + 1);
    }
    if (fields.size() < 5 || fields[4] != procRoot) continue;
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (dash == fields.end() || fields.end() - dash < 4 || dash[1] != "proc") continue;
    const std::string_view options = dash[3];
    found = true;
    everyone = true;
    const auto at = options.find("hidepid=");
    if (at != std::string_view::npos) {
      std::string_view value = options.substr(at + 8);
      value = value.substr(0, value.find(','));
      everyone = value == "0" || value == "off";
    }
  }
  return found && everyone;
}

bool AutogroupIsAllCallers(const std::string& groupName, uid_t caller, const PolicyPlaces& places) {
  const auto mountinfo = ReadProcText(places.procRoot + "/self/mountinfo", 1024 * 1024);
  if (!mountinfo || !ProcShowsEveryone(*mountinfo, places.procRoot)) return false;
  struct CloseDir {
    void operator()(DIR* d) const { ::closedir(d); }
  };
  std::unique_ptr<DIR, CloseDir> dir(::opendir(places.procRoot.c_str()));
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    const std::string processDir = places.procRoot + "/" + std::string(name);
    const auto group = ReadAutogroupIn(processDir);
    if (!group || group->name != groupName) continue;  // another group, or ended
    const auto status = ReadProcText(processDir + "/status");
    const auto uids = status ? ParseUids(*status) : std::nullopt;
    if (!uids) {
      if (::access(processDir.c_str(), F_OK) == 0) return false;  // there, but unreadable
      continue;
    }
    for (const uid_t uid : *uids) {
      if (uid != caller) return false;
    }
  }
  return true;
}

}  // namespace platform::linux_impl
