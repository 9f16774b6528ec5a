#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/ProcessPriority.h"
#include "platform/linux/helper/PrivProtocol.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// The program's side of tarvelo-priv: starts the helper when first needed,
// keeps it running while the program runs, and sends it one request at a time
// over a socket pair. The helper ends when the program closes its end.
class PrivHelper {
 public:
  explicit PrivHelper(std::string path);
  ~PrivHelper();
  PrivHelper(const PrivHelper&) = delete;
  PrivHelper& operator=(const PrivHelper&) = delete;

  const std::string& Path() const { return path_; }

  // Whether the helper's file is there and carries CAP_SYS_NICE as a
  // permitted and effective file capability.
  bool FileHasCapability() const;
  // Whether the helper can act: its file has the capability and the running
  // helper really got it (a file system mounted nosuid drops it).
  bool Usable();

  // Raises (nice -5 or -10) or resets (0) every thread and the autogroup of
  // the process, or pages it out. 0, priv::kAgain (the autogroup waits), or an
  // errno: ESRCH when the process has gone, EPERM when it is not the user's,
  // EPIPE/ETIMEDOUT when the helper cannot be reached.
  int SetNice(ProcessId pid, int nice);
  int PageOut(ProcessId pid);

 private:
  int Call(priv::Verb verb, ProcessId pid, int nice);
  int Exchange(const std::string& line);
  bool Start();
  void Stop();

  std::string path_;
  UniqueFd socket_;
  pid_t child_ = -1;
  std::optional<bool> childHasCapability_;
};

// Where the helper lies relative to the program: <dir>/../libexec/tarvelo/tarvelo-priv,
// with <dir> the directory of the running executable.
std::string PrivHelperPathBeside(const std::string& executablePath);
std::string DefaultPrivHelperPath();

// Whether this process has CAP_SYS_NICE in effect (root, as a rule).
bool HasEffectiveSysNice();

}  // namespace platform::linux_impl
