#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Who tarvelo-priv serves, and when it may change an autogroup. Plain C++ for
// the helper: no library beyond the C++ runtime.
namespace platform::linux_impl {

// The places the rules read; tests point them elsewhere.
struct PolicyPlaces {
  std::string logindDir = "/run/systemd";  // seats/, sessions/<id>, users/<uid>
  std::string procRoot = "/proc";
};

// The group whose members may boost wherever they are logged in; the package
// creates it, an administrator fills it.
inline constexpr const char* kBoostGroup = "tarvelo";

// The logind session a cgroup text (of /proc/<pid>/cgroup) places a process
// in: "3" for .../session-3.scope; nothing outside a session.
std::optional<std::string> SessionOfCgroup(std::string_view cgroupText);
// The value of KEY=value in logind's state files; nothing without the key.
std::optional<std::string> StateValue(std::string_view text, std::string_view key);

// Whether the caller sits at the machine now: its session (from its cgroup),
// or else the user's graphical session logind names, is active, on a seat and
// not remote, and belongs to the caller. As polkit decides "allow_active".
// False where logind does not run.
bool InActiveLocalSession(uid_t caller, std::string_view ownCgroupText, const PolicyPlaces& places);

// The rule: a member of the boost group (by the process's own groups), or a
// user at the machine.
bool MayServe(uid_t caller, const std::vector<gid_t>& groups, std::optional<gid_t> boostGroup,
              std::string_view ownCgroupText, const PolicyPlaces& places);

// Whether every process in the autogroup of that name belongs to the caller
// (all its user ids). False when the processes of other users cannot be seen
// (/proc mounted with hidepid) or one of them is in the group.
bool AutogroupIsAllCallers(const std::string& groupName, uid_t caller, const PolicyPlaces& places);

// Whether /proc, as mountinfo shows it, lists every user's processes.
bool ProcShowsEveryone(std::string_view mountinfo, std::string_view procRoot);

}  // namespace platform::linux_impl
