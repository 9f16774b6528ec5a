// Another program for the memory release to trim: it maps a file of the
// given size, reads every page of it, says "ready" and waits to be ended.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::size_t size = std::strtoull(argv[2], nullptr, 10) * 1024 * 1024;
  const int fd = ::open(argv[1], O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) return 1;
  auto* bytes = static_cast<volatile char*>(::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  if (bytes == MAP_FAILED) return 1;
  for (std::size_t i = 0; i < size; i += 4096) bytes[i] = 1;
  ::msync(const_cast<char*>(bytes), size, MS_SYNC);  // clean pages can be dropped without swap
  std::puts("ready");
  std::fflush(stdout);
  for (;;) ::pause();
}
