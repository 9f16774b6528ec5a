#pragma once

#include <algorithm>
#include <atomic>
#include <cctype>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/ModulePublicFunction.h"
#include "platform/Platform.h"

namespace platform::fake {

// Memory readings set by the test; each Read() is counted.
// Read on the memory tick's own thread while tests change it: atomic.
class FakeMemoryStatus final : public MemoryStatusSource {
 public:
  MemoryStatus Read() override {
    ++reads;
    return status.load();
  }
  // The reading the fake gives, set and read under a lock.
  class Status {
   public:
    Status& operator=(const MemoryStatus& value) {
      std::lock_guard lock(mutex_);
      value_ = value;
      return *this;
    }
    MemoryStatus load() const {
      std::lock_guard lock(mutex_);
      return value_;
    }
    operator MemoryStatus() const { return load(); }

   private:
    mutable std::mutex mutex_;
    MemoryStatus value_;
  };
  Status status;
  std::atomic<int> reads{0};
};

// A settings file held in memory. Names are matched without regard to case;
// a failing file can be simulated.
class FakeProfile final : public PrivateProfile {
 public:
  std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                        std::size_t maxChars) const override {
    const auto it = values.find(Key(section, key));
    return tarvelo::ModulePublicFunction::CutToCharacters(it != values.end() ? it->second : defaultValue,
                                                          maxChars);
  }
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override {
    writes.emplace_back(std::string(section) + "." + std::string(key), std::string(value));
    if (failWrites) return false;
    values[Key(section, key)] = std::string(value);
    return true;
  }
  void Set(std::string_view section, std::string_view key, std::string value) {
    values[Key(section, key)] = std::move(value);
  }

  static std::string Key(std::string_view section, std::string_view key) {
    std::string k = std::string(section) + "\n" + std::string(key);
    std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return std::tolower(c); });
    return k;
  }

  std::map<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> writes;  // "Section.Key", value
  bool failWrites = false;
};

class FakeSingleInstance final : public SingleInstance {
 public:
  bool AnotherInstanceRunning() override { return otherRunning; }
  bool ActivateRunningInstance() override {
    ++activations;
    return otherRunning;
  }
  bool otherRunning = false;
  int activations = 0;  // requests this start sent to the running instance
};

class FakePrivileges final : public Privileges {
 public:
  void EnableDebugPrivilege() override { ++calls; }
  std::vector<std::string> GrantCommand() const override { return grantCommand; }
  std::string ByHandCommand() const override { return byHand; }
  bool Granted() const override { return granted; }
  int calls = 0;
  std::vector<std::string> grantCommand;  // empty: nothing to grant from here
  std::string byHand;
  bool granted = false;
};

// A process table set by the test; each Modules() is counted.
class FakeProcessTable final : public ProcessTable {
 public:
  std::vector<ProcessEntry> Snapshot() override { return processes; }
  std::vector<std::string> Modules(ProcessId pid) override {
    ++moduleReads;
    const auto it = modules.find(pid);
    return it != modules.end() ? it->second : std::vector<std::string>{};
  }
  std::vector<ProcessEntry> processes;
  std::map<ProcessId, std::vector<std::string>> modules;
  int moduleReads = 0;
};

// Records the trims; a test may act during one (onTrim runs before it
// returns). Resident sizes are the test's: a process without one has ended;
// a refused one is not trimmed (another user's).
class FakeWorkingSetTrimmer final : public WorkingSetTrimmer {
 public:
  bool TrimWorkingSet(ProcessId pid) override {
    trimmed.push_back(pid);
    if (onTrim) onTrim(pid);
    return refused.count(pid) == 0 && (resident.count(pid) != 0 || resident.empty());
  }
  std::optional<std::uint64_t> ResidentBytes(ProcessId pid) override {
    const auto it = resident.find(pid);
    if (it == resident.end()) return std::nullopt;
    return it->second;
  }
  bool MayTrimOthers() override { return mayTrimOthers; }
  std::optional<bool> SwapFree() override { return swapFree; }
  std::optional<bool> swapFree;
  std::vector<ProcessId> trimmed;
  std::function<void(ProcessId)> onTrim;
  std::map<ProcessId, std::uint64_t> resident;
  std::set<ProcessId> refused;
  bool mayTrimOthers = true;
};

// Icons by executable path, set by the test; counts the questions. Pictures
// stand for a shell that hands out pictures (Windows), by path and size.
class FakeFileIcons final : public FileIcons {
 public:
  IconSource IconOf(const std::string& exePath) override {
    ++asked;
    const auto it = icons.find(exePath);
    return it != icons.end() ? it->second : IconSource{};
  }
  std::optional<IconPicture> PictureOf(const std::string& exePath, bool smallIcon) override {
    const auto it = pictures.find({exePath, smallIcon});
    if (it == pictures.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, IconSource> icons;
  std::map<std::pair<std::string, bool>, IconPicture> pictures;  // (path, small)
  int asked = 0;
};

// Processor readings set by the test; nothing (a failed reading) when unset.
class FakeCpuTimes final : public CpuTimesSource {
 public:
  std::optional<CpuTimes> Read() override {
    ++reads;
    return times;
  }
  std::optional<CpuTimes> times;
  int reads = 0;
};

class FakeSystemMemory final : public SystemMemorySource {
 public:
  std::optional<SystemMemoryStatus> Read() override { return status; }
  std::optional<SystemMemoryStatus> status;
};

// Disk space of the paths the test names; every other path has none.
class FakeDiskSpace final : public DiskSpaceSource {
 public:
  std::optional<DiskSpace> Read(std::string_view path) override {
    paths.emplace_back(path);
    const auto it = drives.find(std::string(path));
    if (it == drives.end()) return std::nullopt;
    return it->second;
  }
  std::string SystemDirectory() override { return systemDirectory; }
  std::map<std::string, DiskSpace> drives;
  std::string systemDirectory = "C:\\WINDOWS";
  std::vector<std::string> paths;  // every path asked about
};

// The autostart entry as a value: the path it starts, or none.
class FakeAutostart final : public AutostartEntry {
 public:
  bool Write(const std::string& executablePath) override {
    ++writes;
    if (fail) return false;
    entry = executablePath;
    return true;
  }
  bool Remove() override {
    ++removes;
    if (fail) return false;
    entry.reset();
    return true;
  }
  std::optional<std::string> entry;
  int writes = 0;
  int removes = 0;
  bool fail = false;
};

// A desktop of fake windows: the one in front, and each window's title and
// owner. A window not in the table has no title and no owner (it has gone).
class FakeForegroundWindow final : public ForegroundWindow {
 public:
  struct Window {
    std::string title;
    ProcessId pid = 0;
  };
  WindowHandle Foreground() override {
    ++foregroundQueries;
    return front;
  }
  std::string Title(WindowHandle window) override {
    ++titleReads;
    const auto it = windows.find(window);
    return it != windows.end() ? it->second.title : std::string();
  }
  ProcessId OwnerProcess(WindowHandle window) override {
    const auto it = windows.find(window);
    return it != windows.end() ? it->second.pid : 0;
  }
  std::string WhyUnseen() override { return unseen; }

  WindowHandle front = 0;
  std::map<WindowHandle, Window> windows;
  std::string unseen;  // why the window in front cannot be seen; "" while it can
  int foregroundQueries = 0;
  int titleReads = 0;
};

// A process table with a priority class per process; every change asked for
// is recorded, whether it succeeded or not.
class FakeProcessPriorities final : public ProcessPriorities {
 public:
  ProcessId CurrentProcessId() const override { return self; }
  std::error_code SetClass(ProcessId pid, PriorityClass priorityClass) override {
    changes.emplace_back(pid, priorityClass);
    if (classes.count(pid) == 0) return std::make_error_code(std::errc::no_such_process);
    if (denied.count(pid) != 0) return std::make_error_code(std::errc::operation_not_permitted);
    classes[pid] = priorityClass;
    return {};
  }
  std::optional<PriorityClass> ClassOf(ProcessId pid) const override {
    if (const auto capped = readBack.find(pid); capped != readBack.end() && classes.count(pid) != 0) {
      return capped->second;
    }
    const auto it = classes.find(pid);
    if (it == classes.end()) return std::nullopt;
    return it->second;
  }
  bool MayRaiseTo(PriorityClass) const override { return mayRaise; }
  void CompleteDeferredChanges() override { ++deferredCompletions; }

  ProcessId self = 4242;
  std::map<ProcessId, PriorityClass> classes{{4242, PriorityClass::Normal}};
  std::set<ProcessId> denied;  // processes of another user
  std::map<ProcessId, PriorityClass> readBack;  // what the system reports, whatever was set
  std::vector<std::pair<ProcessId, PriorityClass>> changes;
  bool mayRaise = true;
  int deferredCompletions = 0;
};

// Units of a user manager: which unit holds which process, each unit's
// weight setting and the weight the system applies. Every change is recorded.
class FakeUnitWeights final : public UnitWeights {
 public:
  bool Available() override { return available; }
  std::optional<std::string> UnitOf(ProcessId pid) override {
    const auto it = units.find(pid);
    if (it == units.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::uint64_t> WeightOf(const std::string& unit) override {
    if (unreadable.count(unit) != 0) return std::nullopt;
    const auto it = weights.find(unit);
    if (it == weights.end()) return std::nullopt;
    return it->second;
  }
  std::error_code SetWeight(const std::string& unit, std::uint64_t weight) override {
    sets.emplace_back(unit, weight);
    if (weights.count(unit) == 0) return std::make_error_code(std::errc::no_such_process);
    if (refused.count(unit) != 0) return std::make_error_code(std::errc::permission_denied);
    weights[unit] = weight;
    return {};
  }
  std::optional<std::uint64_t> AppliedWeight(const std::string& unit) override {
    if (!controller) return std::nullopt;
    const auto it = weights.find(unit);
    if (it == weights.end()) return std::nullopt;
    return it->second == kUnset ? 100 : it->second;
  }

  bool available = false;  // no user manager unless the test says so
  bool controller = true;  // whether the system applies the weights
  std::map<ProcessId, std::string> units;
  std::map<std::string, std::uint64_t> weights;  // the units that exist
  std::set<std::string> refused;                 // changes refused by the manager
  std::set<std::string> unreadable;
  std::vector<std::pair<std::string, std::uint64_t>> sets;
};

// Scheduler accounting set by the test, with a clock it moves.
class FakeSchedulerStats final : public SchedulerStats {
 public:
  std::uint64_t NowNs() override { return now; }
  std::optional<ProcessTimes> TimesOf(ProcessId pid) override {
    const auto it = processes.find(pid);
    if (it == processes.end()) return std::nullopt;
    return it->second;
  }
  std::optional<std::uint64_t> CpuSomeStallUs() override { return stallUs; }

  std::uint64_t now = 1'000'000'000;
  std::map<ProcessId, ProcessTimes> processes;
  std::optional<std::uint64_t> stallUs = 0;
};

// CPU caps held in memory. Every process may be limited unless the test says
// otherwise; a process marked as ended no longer counts as limited.
class FakeCpuLimiter final : public CpuLimiter {
 public:
  bool Available() const override { return available; }
  CpuLimitError Apply(ProcessId pid, int percent) override {
    applied.emplace_back(pid, percent);
    if (refusal != CpuLimitError::None) return refusal;
    if (ended.count(pid) != 0) return CpuLimitError::ProcessGone;
    limits[pid] = percent;
    return CpuLimitError::None;
  }
  bool Lift(ProcessId pid) override {
    lifted.push_back(pid);
    return limits.erase(pid) != 0;
  }
  bool Limits(ProcessId pid) override { return limits.count(pid) != 0 && ended.count(pid) == 0; }
  void LiftAll() override {
    ++liftAllCalls;
    limits.clear();
  }
  int LiftLeftovers() override {
    ++leftoverCalls;
    return leftovers;
  }

  bool available = true;
  CpuLimitError refusal = CpuLimitError::None;  // what every Apply answers, when set
  std::map<ProcessId, int> limits;              // the caps in force: pid, percent
  std::set<ProcessId> ended;                    // processes that ended (or whose pid was reused)
  std::vector<std::pair<ProcessId, int>> applied;
  std::vector<ProcessId> lifted;
  int liftAllCalls = 0;
  int leftoverCalls = 0;
  int leftovers = 0;
};

// A fake platform whose parts stay reachable by their concrete types.
struct FakePlatform {
  Platform platform;
  FakeMemoryStatus* memory = Own<FakeMemoryStatus>(platform.memoryStatus);
  FakeProfile* settings = Own<FakeProfile>(platform.settingsFile);
  FakeProfile* systemSettings = Own<FakeProfile>(platform.systemSettingsFile);
  FakeSingleInstance* instance = Own<FakeSingleInstance>(platform.singleInstance);
  FakePrivileges* privileges = Own<FakePrivileges>(platform.privileges);
  FakeProcessTable* processes = Own<FakeProcessTable>(platform.processTable);
  FakeWorkingSetTrimmer* trimmer = Own<FakeWorkingSetTrimmer>(platform.workingSetTrimmer);
  FakeFileIcons* icons = Own<FakeFileIcons>(platform.fileIcons);
  FakeCpuTimes* cpuTimes = Own<FakeCpuTimes>(platform.cpuTimes);
  FakeSystemMemory* systemMemory = Own<FakeSystemMemory>(platform.systemMemory);
  FakeDiskSpace* diskSpace = Own<FakeDiskSpace>(platform.diskSpace);
  FakeAutostart* autostart = Own<FakeAutostart>(platform.autostart);
  FakeForegroundWindow* windows = Own<FakeForegroundWindow>(platform.foregroundWindow);
  FakeProcessPriorities* priorities = Own<FakeProcessPriorities>(platform.processPriorities);
  FakeUnitWeights* unitWeights = Own<FakeUnitWeights>(platform.unitWeights);
  FakeSchedulerStats* schedulerStats = Own<FakeSchedulerStats>(platform.schedulerStats);
  FakeCpuLimiter* cpuLimiter = Own<FakeCpuLimiter>(platform.cpuLimiter);

 private:
  // Puts a new fake of the slot's kind into the platform and keeps it reachable.
  template <typename Fake, typename Interface>
  static Fake* Own(std::unique_ptr<Interface>& slot) {
    auto fake = std::make_unique<Fake>();
    Fake* raw = fake.get();
    slot = std::move(fake);
    return raw;
  }
};

}  // namespace platform::fake
