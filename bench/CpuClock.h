#pragma once
// CPU time of this process, and of a program run to its end, in nanoseconds.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdint>
#include <vector>

extern char** environ;

inline std::int64_t ProcessCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Runs argv (searched in PATH) with its output discarded; its user and system
// time, or -1 when it could not run or failed.
inline std::int64_t RunCpuNs(std::vector<const char*> argv) {
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  auto ns = [](const timeval& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_usec * 1000; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}
