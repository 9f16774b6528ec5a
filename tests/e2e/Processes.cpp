#include "e2e/Processes.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvelo::e2e {

QList<int> NicesOfThreads(qint64 pid) {
  QList<int> nices;
  const QStringList tids = QDir(QString("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& tid : tids) {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, tid.toUInt());
    if (errno == 0) nices << nice;
  }
  return nices;
}

bool AllThreadsAt(qint64 pid, int nice) {
  const QList<int> nices = NicesOfThreads(pid);
  return !nices.isEmpty() && nices.count(nice) == nices.size();
}

std::optional<int> AutogroupNice(qint64 pid) {
  QFile file(QString("/proc/%1/autogroup").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QList<QByteArray> parts = file.readAll().trimmed().split(' ');
  if (parts.size() != 3) return std::nullopt;
  return parts[2].toInt();
}

bool AutogroupsEnabled() {
  QFile file("/proc/sys/kernel/sched_autogroup_enabled");
  return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

bool MayRaisePriorities() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(::setpriority(PRIO_PROCESS, 0, -5) == 0 ? 0 : 1);
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string CgroupsOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cgroup");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string CgroupDirOf(pid_t pid) {
  std::istringstream lines(CgroupsOf(pid));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("0::", 0) == 0) return "/sys/fs/cgroup" + line.substr(3);
  }
  return {};
}

OtherProgram::OtherProgram(const QString& title, QPoint where, const QStringList& launcher) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", Display());
  env.insert("QT_QPA_PLATFORM", "xcb");
  process_.setProcessEnvironment(env);
  process_.setChildProcessModifier([] { ::setsid(); });
  QStringList arguments = launcher;
  arguments << TITLED_WINDOW_EXECUTABLE << title << QString::number(where.x()) << QString::number(where.y());
  const QString program = arguments.takeFirst();
  process_.start(program, arguments);
  process_.waitForStarted(Limit(5000));
}

OtherProgram::~OtherProgram() { Kill(); }

std::optional<Window> OtherProgram::WaitForWindow() const {
  std::optional<Window> found;
  WaitFor([&] {
    const QByteArray ids = RunTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(Pid())});
    if (ids.trimmed().isEmpty()) return false;
    found = Window{QString::fromUtf8(ids.split('\n').first()).trimmed()};
    return true;
  });
  return found;
}

void OtherProgram::Kill() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(5000);
}

void Activate(const Window& window) { RunTool("xdotool", {"windowactivate", "--sync", window.id}); }

}  // namespace tarvelo::e2e
