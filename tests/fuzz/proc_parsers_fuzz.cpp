// Any bytes as /proc/stat, /proc/meminfo or /proc/<pid>/statm: the parsers
// answer or refuse, never crash, overflow or read past the text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/system/LinuxCpuTimes.h"
#include "platform/linux/system/LinuxMemoryStatus.h"
#include "platform/linux/system/LinuxSystemMemory.h"

using namespace platform::linux_impl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const long hz : {1L, 100L, 250L, 1000L}) {
    const auto stat = ParseProcStat(text, hz);
    if (stat && (stat->idleTime < 0 || stat->processorCount < 0)) std::abort();
  }
  (void)ParseMeminfo(text);
  (void)ParseSystemMeminfo(text);
  (void)ParseStatmSize(text, 4096);
  return 0;
}
