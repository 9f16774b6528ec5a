#pragma once

#include <sys/types.h>

#include <QList>
#include <QProcess>
#include <QStringList>
#include <optional>
#include <string>

#include "e2e/XSession.h"

namespace tarvelo::e2e {

// The nice value of every thread of a process; empty when it is gone.
QList<int> NicesOfThreads(qint64 pid);
bool AllThreadsAt(qint64 pid, int nice);
// The nice of the process's autogroup, or nothing where there is none.
std::optional<int> AutogroupNice(qint64 pid);
bool AutogroupsEnabled();
// Whether a process of this user may raise priorities by itself: asked of a
// child, whose priority is its own.
bool MayRaisePriorities();

// The text of /proc/<pid>/cgroup.
std::string CgroupsOf(pid_t pid);
// The process's own cgroup v2 directory under /sys/fs/cgroup; "" without one.
std::string CgroupDirOf(pid_t pid);

// A titled window of another program (titled_window), in a session of its
// own so that its autogroup is its own too. `launcher`, when given, starts it
// (its program and arguments come first, the window program after them), as
// a desktop starts apps through `systemd-run --user --scope`.
class OtherProgram {
 public:
  OtherProgram(const QString& title, QPoint where, const QStringList& launcher = {});
  ~OtherProgram();
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;

  qint64 Pid() const { return process_.processId(); }
  std::optional<Window> WaitForWindow() const;
  void Kill();

 private:
  QProcess process_;
};

// Brings the window to the front through the window manager.
void Activate(const Window& window);

}  // namespace tarvelo::e2e
