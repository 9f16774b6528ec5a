#pragma once

#include <string>

namespace tarvelo::grant {

// Gives the file at helperPath CAP_SYS_NICE as a permitted and effective file
// capability, as `setcap cap_sys_nice+ep` does, when only root can change it
// (see platform::linux_impl::OpenTrustedFile). The capability goes onto the
// file that was checked, through its descriptor, and is read back. Returns
// what went wrong, in a plain sentence; empty on success.
std::string GrantSysNice(const std::string& helperPath);

}  // namespace tarvelo::grant
