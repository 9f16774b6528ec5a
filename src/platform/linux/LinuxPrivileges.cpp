#include "platform/linux/LinuxPrivileges.h"

#include <sys/capability.h>

#include <memory>

namespace platform::linux_impl {

void LinuxPrivileges::EnableDebugPrivilege() {
  struct CapFree {
    void operator()(cap_t caps) const { cap_free(caps); }
  };
  std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree> caps(cap_get_proc());
  if (!caps) return;
  cap_value_t wanted[2];
  int count = 0;
  for (cap_value_t cap : {CAP_SYS_NICE, CAP_SYS_PTRACE}) {
    cap_flag_value_t permitted = CAP_CLEAR;
    if (cap_get_flag(caps.get(), cap, CAP_PERMITTED, &permitted) == 0 && permitted == CAP_SET) {
      wanted[count++] = cap;
    }
  }
  if (count == 0) return;
  if (cap_set_flag(caps.get(), CAP_EFFECTIVE, count, wanted, CAP_SET) != 0) return;
  cap_set_proc(caps.get());  // the result is of no further use
}

}  // namespace platform::linux_impl
