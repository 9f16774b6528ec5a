// The floor under the window's idle cost while memory figures show: a bare
// program that does only what those figures need, a fresh /proc/meminfo
// reading every 20 ms (MemTotal and MemAvailable picked out), and nothing
// else. It runs until it is ended.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

int main() {
  const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 1;
  char buffer[4096];
  timespec next{};
  ::clock_gettime(CLOCK_MONOTONIC, &next);
  unsigned long long sum = 0;
  for (;;) {
    next.tv_nsec += 20'000'000;
    if (next.tv_nsec >= 1'000'000'000) {
      next.tv_nsec -= 1'000'000'000;
      ++next.tv_sec;
    }
    ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    buffer[n > 0 ? n : 0] = '\0';
    if (const char* total = std::strstr(buffer, "MemTotal:")) sum += std::strtoull(total + 9, nullptr, 10);
    if (const char* avail = std::strstr(buffer, "MemAvailable:")) sum += std::strtoull(avail + 13, nullptr, 10);
  }
  return sum == 0;
}
