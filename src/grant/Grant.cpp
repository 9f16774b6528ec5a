#include "grant/Grant.h"

#include <sys/capability.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <type_traits>

#include "platform/linux/helper/TrustedFile.h"

namespace tarvelo::grant {

namespace {

struct CapFree {
  void operator()(void* caps) const { cap_free(caps); }
};
using CapHandle = std::unique_ptr<std::remove_pointer_t<cap_t>, CapFree>;

bool HasSysNice(cap_t caps) {
  cap_flag_value_t permitted = CAP_CLEAR;
  cap_flag_value_t effective = CAP_CLEAR;
  return caps != nullptr && cap_get_flag(caps, CAP_SYS_NICE, CAP_PERMITTED, &permitted) == 0 &&
         cap_get_flag(caps, CAP_SYS_NICE, CAP_EFFECTIVE, &effective) == 0 && permitted == CAP_SET &&
         effective == CAP_SET;
}

}  // namespace

std::string GrantSysNice(const std::string& helperPath) {
  const platform::linux_impl::TrustedFile helper = platform::linux_impl::OpenTrustedFile(helperPath);
  if (!helper.fd.Valid()) return helper.problem;
  const CapHandle wanted(cap_from_text("cap_sys_nice+ep"));
  if (!wanted) return std::string("The capability cannot be described: ") + std::strerror(errno) + ".";
  if (cap_set_fd(helper.fd.Get(), wanted.get()) != 0) {
    return "The capability cannot be set on " + helperPath + ": " + std::strerror(errno) + ".";
  }
  // A file system without extended attributes may take the call and keep nothing.
  const CapHandle got(cap_get_fd(helper.fd.Get()));
  if (!HasSysNice(got.get())) return helperPath + " does not keep the capability.";
  return {};
}

}  // namespace tarvelo::grant
