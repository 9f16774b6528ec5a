#pragma once

#include <sys/types.h>

#include <string>

#include "platform/SingleInstance.h"
#include "platform/linux/UniqueFd.h"

namespace platform::linux_impl {

// One instance per user: an exclusive lock on "tarvelo.lock" in a directory
// only the user can enter. The kernel drops the lock when the process ends,
// however it ends, so a crashed instance never blocks the next start. The
// instance holding the lock listens on "tarvelo.socket" beside it (mode 0600);
// a later start connects there to bring the window to the front. The socket
// goes when this object does, unless another instance has put its own in its
// place meanwhile.
class LinuxSingleInstance final : public SingleInstance {
 public:
  // directory "" chooses InstanceDirectory().
  explicit LinuxSingleInstance(std::string directory = "");
  ~LinuxSingleInstance() override;
  LinuxSingleInstance(const LinuxSingleInstance&) = delete;
  LinuxSingleInstance& operator=(const LinuxSingleInstance&) = delete;
  bool AnotherInstanceRunning() override;
  bool ActivateRunningInstance() override;
  int ActivationDescriptor() const override { return listener_.Get(); }
  bool TakeActivationRequests() override;

 private:
  void Listen();
  void RemoveOwnSocket();

  std::string directory_;
  UniqueFd lock_;
  UniqueFd listener_;
  // The socket file this instance bound: its path, device and inode.
  std::string socketPath_;
  dev_t socketDevice_ = 0;
  ino_t socketInode_ = 0;
};

// The directory of the lock and the socket: runtimeDir ($XDG_RUNTIME_DIR) when
// it is an absolute path to a directory of this user that nobody else may
// enter; else "tarvelo" under cacheHome ($XDG_CACHE_HOME, else ~/.cache),
// created with mode 0700 and checked the same way; else the same under
// accountCacheHome (~/.cache of the account's home in the password database),
// for root started with another user's environment (sudo -E), whose home root
// must not trust. The folders are opened as OpenOwnDirectory does: never
// through a symbolic link at the end, and as root through none at all, on
// root's folders only. "" when none is safe: the program then runs without
// the single-instance check rather than use a place others could tamper with.
std::string InstanceDirectory(const char* runtimeDir, const char* cacheHome, const char* accountCacheHome = nullptr);

// Whether path is a real directory (no symbolic link) owned by this user,
// with no access for group or others.
bool PrivateDirectory(const std::string& path);

}  // namespace platform::linux_impl
