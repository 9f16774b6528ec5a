#include "platform/linux/processes/LinuxProcessTable.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/Locations.h"
#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"
#include "support/TempDir.h"

namespace platform::linux_impl {
namespace {

using tarvelo::testing::TempDir;
using tarvelo::testing::WriteFile;

constexpr char kMaps[] =
    "55d0a0000000-55d0a0002000 r--p 00000000 08:01 131 /opt/App/Foo Bar\n"
    "55d0a0002000-55d0a0008000 r-xp 00002000 08:01 131 /opt/App/Foo Bar\n"
    "55d0a1000000-55d0a1021000 rw-p 00000000 00:00 0    [heap]\n"
    "7f0000000000-7f0000100000 r--p 00000000 08:01 77   /usr/lib/libc.so.6\n"
    "7f0000200000-7f0000201000 rw-p 00000000 00:00 0 \n"
    "7f0000300000-7f0000301000 r--p 00000000 08:01 99   /tmp/gone (deleted)\n"
    "7ffd00000000-7ffd00021000 rw-p 00000000 00:00 0    [stack]\n"
    "7ffd00100000-7ffd00104000 r--p 00000000 00:00 0    [vvar]\n"
    "7ffd00104000-7ffd00106000 r-xp 00000000 00:00 0    [vdso]\n"
    "ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0 [vsyscall]\n";

TEST(LinuxProcessTable, ListsProcessesOfAFixtureTreeByName) {
  TempDir proc;
  auto process = [&](const std::string& pid, const std::string& exe, const std::string& comm) {
    std::filesystem::create_directory(proc.File(pid));
    if (!exe.empty()) std::filesystem::create_symlink(exe, proc.File(pid + "/exe"));
    WriteFile(proc.File(pid + "/comm"), comm + "\n");
    WriteFile(proc.File(pid + "/maps"), kMaps);
  };
  process("431", "/opt/App/Foo Bar", "Foo Bar");
  process("2", "", "kthreadd");  // a kernel thread: no executable
  process("17", "/usr/bin/editor", "ed");
  std::filesystem::create_directory(proc.File("self"));
  std::filesystem::create_directory(proc.File("12abc"));
  LinuxProcessTable table(proc.Path());

  const std::vector<ProcessEntry> snapshot = table.Snapshot();
  ASSERT_EQ(snapshot.size(), 3u);
  EXPECT_EQ(snapshot[0].pid, 2u);
  EXPECT_EQ(snapshot[0].exeName, "kthreadd");
  EXPECT_EQ(snapshot[1].exeName, "editor");
  EXPECT_EQ(snapshot[2].exeName, "Foo Bar");
  // The executable link the name came from, the first module without a
  // second read; none where the name came from comm.
  EXPECT_EQ(snapshot[0].exePath, "");
  EXPECT_EQ(snapshot[1].exePath, "/usr/bin/editor");
  EXPECT_EQ(snapshot[2].exePath, "/opt/App/Foo Bar");

  EXPECT_EQ(table.Modules(431), (std::vector<std::string>{"/opt/App/Foo Bar", "/usr/lib/libc.so.6",
                                                           "/tmp/gone (deleted)"}));
  EXPECT_TRUE(table.Modules(2).empty());
  EXPECT_TRUE(table.Modules(999).empty());
}

TEST(LinuxProcessTable, TheTestsOwnProcessWithItsRealPath) {
  LinuxProcessTable table;
  const auto snapshot = table.Snapshot();
  const auto self = std::find_if(snapshot.begin(), snapshot.end(),
                                 [](const ProcessEntry& e) { return e.pid == static_cast<ProcessId>(::getpid()); });
  ASSERT_NE(self, snapshot.end());
  EXPECT_EQ(self->exeName, "platform_linux_tests");
  const auto modules = table.Modules(static_cast<ProcessId>(::getpid()));
  ASSERT_FALSE(modules.empty());
  EXPECT_EQ(modules.front(), ExecutablePath());
  EXPECT_TRUE(std::any_of(modules.begin(), modules.end(),
                          [](const std::string& m) { return m.find("libc") != std::string::npos; }));
}

TEST(LinuxWorkingSetTrimmer, SkipsTheKernelsSpecialMappings) {
  const std::vector<AddressRange> ranges = TrimmableRanges(kMaps);
  ASSERT_EQ(ranges.size(), 7u);
  EXPECT_EQ(ranges.front(), (AddressRange{0x55d0a0000000, 0x55d0a0002000}));
  EXPECT_EQ(ranges.back(), (AddressRange{0x7ffd00000000, 0x7ffd00021000}));
  EXPECT_TRUE(TrimmableRanges("garbage\n-\n1-0 x\n").empty());
}

std::uint64_t RssFileKiB(pid_t pid) {
  const std::string status = tarvelo::testing::ReadFile("/proc/" + std::to_string(pid) + "/status");
  const auto at = status.find("RssFile:");
  return at == std::string::npos ? 0 : std::stoull(status.substr(at + 8));
}

TEST(LinuxWorkingSetTrimmer, ARealProcessLosesTheFilePagesItHadTouched) {
  if (::geteuid() != 0) GTEST_SKIP() << "trimming another process needs CAP_SYS_NICE (run as root)";
  TempDir dir;
  const std::string data = dir.File("data");
  constexpr std::size_t kSize = 48 * 1024 * 1024;
  WriteFile(data, std::string(kSize, 'x'));

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    // Maps the file, reads every page, then waits to be trimmed.
    FILE* f = std::fopen(data.c_str(), "r");
    auto* bytes = static_cast<volatile char*>(::mmap(nullptr, kSize, PROT_READ, MAP_PRIVATE, fileno(f), 0));
    long sum = 0;
    for (std::size_t i = 0; i < kSize; i += 4096) sum += bytes[i];
    const char ok = sum > 0 ? 1 : 0;
    [[maybe_unused]] auto n = ::write(ready[1], &ok, 1);
    for (;;) ::pause();
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  const std::uint64_t before = RssFileKiB(child);

  LinuxWorkingSetTrimmer trimmer;
  const bool accepted = trimmer.TrimWorkingSet(static_cast<ProcessId>(child));
  const std::uint64_t after = RssFileKiB(child);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);

  ASSERT_TRUE(accepted);
  EXPECT_GE(before, kSize / 1024);
  EXPECT_LT(after, before / 4) << "RssFile " << before << " kB -> " << after << " kB";
}

int OpenDescriptors() {
  int count = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

TEST(LinuxWorkingSetTrimmer, TrimmingEveryProcessLeavesNoDescriptorOpen) {
  LinuxProcessTable table;
  LinuxWorkingSetTrimmer trimmer;
  const int before = OpenDescriptors();
  for (const ProcessEntry& p : table.Snapshot()) trimmer.TrimWorkingSet(p.pid);
  EXPECT_EQ(OpenDescriptors(), before);
  // A process that is gone is passed over.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  EXPECT_FALSE(trimmer.TrimWorkingSet(static_cast<ProcessId>(child)));
  EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace platform::linux_impl
