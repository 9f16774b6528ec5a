#pragma once

#include <memory>
#include <string>

#include "platform/CpuLimiter.h"

namespace platform::linux_impl {

// The first way of capping processes that works here: the systemd user
// manager (cgroup v2 with the cpu controller delegated), then the cgroup v2
// hierarchy, then the cgroup v1 cpu controller, each only where this program
// may use it; else none.
std::unique_ptr<CpuLimiter> CreateLinuxCpuLimiter();

// Where the cgroup backends keep their records: a fixed place under /run for
// root, else the user's runtime directory.
std::string CpuLimitRecordDirectory();

}  // namespace platform::linux_impl
