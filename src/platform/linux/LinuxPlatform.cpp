#include "platform/Locations.h"
#include "platform/Platform.h"
#include "platform/linux/LinuxFileIcons.h"
#include "platform/linux/LinuxLocations.h"
#include "platform/linux/LinuxCpuLimiter.h"
#include "platform/linux/LinuxCpuTimes.h"
#include "platform/linux/LinuxDiskSpace.h"
#include "platform/linux/LinuxAutostartEntry.h"
#include "platform/linux/LinuxMemoryStatus.h"
#include "platform/linux/LinuxPrivileges.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxProcessPriority.h"
#include "platform/linux/LinuxProfileFile.h"
#include "platform/linux/LinuxSchedulerStats.h"
#include "platform/linux/LinuxShutdownRequests.h"
#include "platform/linux/LinuxSingleInstance.h"
#include "platform/linux/LinuxWorkingSetTrimmer.h"
#include "platform/linux/LinuxSystemMemory.h"
#include "platform/linux/LinuxUnitWeights.h"

namespace platform {

Platform CreateNativePlatform() {
  using namespace linux_impl;
  Platform p;
  // One tarvelo-priv for every part that needs CAP_SYS_NICE.
  auto helper = std::make_shared<PrivHelper>(DefaultPrivHelperPath());
  p.memoryStatus = std::make_unique<LinuxMemoryStatus>();
  p.settingsFile = std::make_unique<LinuxProfileFile>(SettingsFilePath());
  if (std::string systemFile = SystemSettingsFilePath(); !systemFile.empty()) {
    p.systemSettingsFile = std::make_unique<LinuxProfileFile>(std::move(systemFile));
  }
  p.singleInstance = std::make_unique<LinuxSingleInstance>();
  p.privileges = std::make_unique<LinuxPrivileges>(helper);
  p.shutdownRequests = std::make_unique<LinuxShutdownRequests>();
  p.processTable = std::make_unique<LinuxProcessTable>();
  p.workingSetTrimmer = std::make_unique<LinuxWorkingSetTrimmer>("/proc", helper);
  p.fileIcons = std::make_unique<LinuxFileIcons>();
  p.cpuTimes = std::make_unique<LinuxCpuTimes>();
  p.systemMemory = std::make_unique<LinuxSystemMemory>();
  p.diskSpace = std::make_unique<LinuxDiskSpace>();
  p.autostart = std::make_unique<LinuxAutostartEntry>(LinuxAutostartEntry::SessionMachineDirectory(),
                                                      LinuxAutostartEntry::SessionUserDirectory());
  // The X11 window comes from the GUI's own connection (CreateX11ForegroundWindow).
  p.foregroundWindow = std::make_unique<NoForegroundWindow>();
  p.processPriorities = std::make_unique<LinuxProcessPriorities>("/proc", helper);
  p.unitWeights = std::make_unique<LinuxUnitWeights>();
  p.schedulerStats = std::make_unique<LinuxSchedulerStats>();
  p.cpuLimiter = CreateLinuxCpuLimiter();
  return p;
}

}  // namespace platform
