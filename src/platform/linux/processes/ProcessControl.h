#pragma once

#include <sys/types.h>

#include <array>
#include <functional>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/ProcessPriority.h"
#include "platform/linux/UniqueFd.h"

// The process operations that need CAP_SYS_NICE: nice levels and page-out.
// Shared by the program (acting directly as root) and tarvelo-priv (acting for
// an ordinary user), so it stays free of Qt and of any other library.
namespace platform::linux_impl {

// Nice is per thread on Linux, so a class is given to every thread of a
// process. Where autogroup scheduling is on, nice only ranks threads inside
// one autogroup (roughly, one session), so the process's autogroup gets the
// same nice as well.
//
// Classes map to nice values Idle 19, Below Normal 5, Normal 0, Above Normal
// -5, High -10, and back by ranges: -10 and below High, -9 to -1 Above Normal,
// 0 Normal, 1 to 9 Below Normal, 10 and above Idle.
std::optional<int> NiceOf(PriorityClass priorityClass);
PriorityClass ClassOfNice(int nice);

// The threads of a process: the numeric entries of <processDir>/task, where
// processDir is /proc/<pid> or a path through an open descriptor of it.
// Fails with no_such_process when the process is gone.
struct ThreadList {
  std::error_code error;
  std::vector<int> tids;
};
ThreadList ThreadsIn(const std::string& processDir);
ThreadList ThreadsOf(const std::string& procRoot, ProcessId pid);

// A process's autogroup as <processDir>/autogroup names it, e.g.
// "/autogroup-13 nice -5".
struct Autogroup {
  std::string name;
  int nice = 0;
};
std::optional<Autogroup> ParseAutogroup(std::string_view text);
std::optional<Autogroup> ReadAutogroupIn(const std::string& processDir);
std::optional<Autogroup> ReadAutogroup(const std::string& procRoot, ProcessId pid);
// 0 or the errno of writing the nice (EAGAIN: the kernel's rate limit).
int WriteAutogroupNice(const std::string& processDir, int nice);

// Whether <procRoot>/sys/kernel/sched_autogroup_enabled is on.
bool AutogroupEnabled(const std::string& procRoot);

// A thread's nice as it was before it was set, to put it back.
struct ThreadNice {
  int tid = 0;
  int before = 0;
};

struct ThreadsNiceOptions {
  // Only threads below the nice are brought to it (a reset to 0 never takes
  // a thread back from above 0).
  bool onlyFromBelow = false;
  // Called with "listed" before a thread's nice is read and with "acting"
  // before it is set; tests stop there to let the thread's id change hands.
  std::function<void(std::string_view step, int tid)> pause;
};

struct ThreadsNiceResult {
  std::error_code error;
  std::vector<ThreadNice> changed;  // the threads set, with their old nice
};

// Gives every thread of the process in processDir the nice, passing over
// threads that end meanwhile. The nice call takes a thread id, which another
// process may get once the thread has ended; so each thread is held by its
// own task directory while its nice is read and set, and checked afterwards.
// A thread that ended in between may have been some other process by then:
// its id is put back to the nice found, every thread set is put back, and
// the result is stale_file_handle (ESTALE). no_such_process when no thread
// was there.
ThreadsNiceResult SetThreadsNiceHeld(const std::string& processDir, int nice, const ThreadsNiceOptions& options = {});
std::error_code SetThreadsNice(const std::string& processDir, int nice);
// Puts threads back to their old nice, each only while it is still the
// same thread of the process in processDir.
void PutThreadsBack(const std::string& processDir, const std::vector<ThreadNice>& changed);

// "/proc/<pid>" under the root; empty for a pid that names no process (0 is
// the caller itself to some calls, and values past INT_MAX are no pid).
std::string ProcessDir(const std::string& procRoot, ProcessId pid);

struct AddressRange {
  std::uintptr_t start = 0;
  std::uintptr_t end = 0;
  friend bool operator==(const AddressRange&, const AddressRange&) = default;
};

// The ranges of a maps file's text that can be paged out: all but the
// kernel's special mappings, which refuse the advice.
std::vector<AddressRange> TrimmableRanges(std::string_view maps);

// A pidfd of the process, invalid when it has ended or the pid is no process.
UniqueFd OpenPidfd(ProcessId pid);
// Whether the process behind the pidfd still runs.
bool PidfdAlive(int pidfd);

// Advises MADV_PAGEOUT over the ranges of the maps text for the process behind
// pidfd, at most IOV_MAX ranges a call, stepping over ranges it refuses. 0
// when (part of) it was accepted, else the errno that stopped it.
int PageOut(int pidfd, std::string_view maps);

// The resident size in bytes from a statm text (its second field).
std::optional<std::uint64_t> ParseStatmResident(std::string_view statm, std::uint64_t pageSize);
std::optional<std::uint64_t> ResidentBytes(const std::string& procRoot, ProcessId pid);

// Reads a small file of a process directory (status, stat, statm, maps) in
// full; nothing when it cannot be read.
std::optional<std::string> ReadProcText(const std::string& path, std::size_t maxBytes = 64 * 1024);

// The start time (clock ticks since boot, field 22) from a stat text; with
// the pid it names one process for good.
std::optional<std::uint64_t> ParseStartTime(std::string_view stat);
// The real, effective and saved user ids from a status text.
std::optional<std::array<uid_t, 3>> ParseUids(std::string_view status);

}  // namespace platform::linux_impl
