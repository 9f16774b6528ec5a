#include "platform/linux/helper/LinuxPrivileges.h"

#include <sys/capability.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/helper/TrustedFile.h"

namespace platform::linux_impl {

namespace {

bool HasSysNiceOn(int fd) {
  cap_t caps = cap_get_fd(fd);
  if (caps == nullptr) return false;
  cap_flag_value_t permitted = CAP_CLEAR;
  cap_flag_value_t effective = CAP_CLEAR;
  cap_get_flag(caps, CAP_SYS_NICE, CAP_PERMITTED, &permitted);
  cap_get_flag(caps, CAP_SYS_NICE, CAP_EFFECTIVE, &effective);
  cap_free(caps);
  return permitted == CAP_SET && effective == CAP_SET;
}

}  // namespace

GrantPaths InstalledGrantPaths() { return {TARVELO_INSTALLED_HELPER, TARVELO_INSTALLED_GRANT}; }

void LinuxPrivileges::EnableDebugPrivilege() {
  if (::geteuid() == 0) return;
  cap_t none = cap_init();  // empty sets
  if (none == nullptr) return;
  cap_set_proc(none);  // lowering is always allowed; a failure leaves nothing worse
  cap_free(none);
}

std::string LinuxPrivileges::ByHandCommand() const {
  return paths_.helper.empty() ? std::string() : "setcap cap_sys_nice+ep " + paths_.helper;
}

bool LinuxPrivileges::Granted() const { return helper_ && helper_->FileHasCapability(); }

std::vector<std::string> LinuxPrivileges::GrantCommand() const {
  if (!helper_ || ::geteuid() == 0 || HasEffectiveSysNice()) return {};
  // A capability on a file that others could replace, or swap while the
  // administrator types the password, would be theirs.
  const TrustedFile installed = OpenTrustedFile(paths_.helper);
  if (!installed.fd.Valid() || HasSysNiceOn(installed.fd.Get())) return {};
  if (!OpenTrustedFile(paths_.grantProgram).fd.Valid()) return {};
  // Granting helps only when the program acts through that very file (a
  // build tree's program uses the helper of its own tree).
  struct stat acting{};
  struct stat granted{};
  if (::stat(helper_->Path().c_str(), &acting) != 0 || ::fstat(installed.fd.Get(), &granted) != 0) return {};
  if (acting.st_dev != granted.st_dev || acting.st_ino != granted.st_ino) return {};
  return {"pkexec", paths_.grantProgram};
}

}  // namespace platform::linux_impl
