#include "platform/Locations.h"
#include "platform/Platform.h"
#include "platform/win32/Win9xCpuCounter.h"
#include "platform/win32/WinAutostartEntry.h"
#include "platform/win32/WinCpuLimiter.h"
#include "platform/win32/WinCpuTimes.h"
#include "platform/win32/WinDiskSpace.h"
#include "platform/win32/WinFileIcons.h"
#include "platform/win32/WinForegroundWindow.h"
#include "platform/win32/WinMemory.h"
#include "platform/win32/WinPrivileges.h"
#include "platform/win32/WinProcesses.h"
#include "platform/win32/WinProfileFile.h"
#include "platform/win32/WinSingleInstance.h"
#include "platform/win32/WinVersion.h"

namespace platform {

namespace {

// A GUI program on Windows gets no signals: the end of the session comes as
// WM_QUERYENDSESSION and WM_ENDSESSION, which Qt turns into the end of its
// event loop.
class NoShutdownRequests final : public ShutdownRequests {
 public:
  int NotifyDescriptor() const override { return -1; }
  void Acknowledge() override {}
};

}  // namespace

Platform CreateNativePlatform() {
  using namespace win32_impl;
  Platform p;
  p.memoryStatus = std::make_unique<WinMemoryStatus>();
  p.settingsFile = std::make_unique<WinProfileFile>(SettingsFilePath());
  p.singleInstance = std::make_unique<WinSingleInstance>();
  p.privileges = std::make_unique<WinPrivileges>();
  p.shutdownRequests = std::make_unique<NoShutdownRequests>();
  p.processTable = std::make_unique<WinProcessTable>();
  p.workingSetTrimmer = std::make_unique<WinWorkingSetTrimmer>();
  p.fileIcons = std::make_unique<WinFileIcons>();
  // The NT family measures the load from cumulative times; the 9x family
  // reads it from the registry's performance statistics.
  if (IsWindowsNtFamily()) {
    p.cpuTimes = std::make_unique<WinCpuTimes>();
  } else {
    p.legacyCpuCounter = std::make_unique<Win9xCpuCounter>(CreateDynDataRegistry());
  }
  p.systemMemory = std::make_unique<WinSystemMemory>();
  p.diskSpace = std::make_unique<WinDiskSpace>();
  p.autostart = std::make_unique<WinAutostartEntry>();
  p.foregroundWindow = std::make_unique<WinForegroundWindow>();
  p.processPriorities = std::make_unique<WinProcessPriorities>();
  p.cpuLimiter = std::make_unique<WinCpuLimiter>();
  return p;
}

}  // namespace platform
