#include "platform/linux/LinuxPrivileges.h"

#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::linux_impl {

void LinuxPrivileges::EnableDebugPrivilege() {
  if (::geteuid() == 0) return;
  cap_t none = cap_init();  // empty sets
  if (none == nullptr) return;
  cap_set_proc(none);  // lowering is always allowed; a failure leaves nothing worse
  cap_free(none);
}

std::string SetcapProgram() {
  for (const char* path : {"/usr/sbin/setcap", "/sbin/setcap"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "setcap";
}

std::string LinuxPrivileges::GrantTarget() const { return helper_ ? helper_->Path() : std::string(); }

std::vector<std::string> LinuxPrivileges::GrantCommand() const {
  if (!helper_ || ::geteuid() == 0 || HasEffectiveSysNice()) return {};
  struct stat info{};
  if (::stat(helper_->Path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  // A capability on a file that others could replace would be theirs.
  if (info.st_uid != 0 || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return {};
  if (helper_->FileHasCapability()) return {};
  return {"pkexec", SetcapProgram(), "cap_sys_nice+ep", helper_->Path()};
}

}  // namespace platform::linux_impl
