#include "platform/Locations.h"
#include "platform/Platform.h"
#include "platform/linux/desktop/LinuxFileIcons.h"
#include "platform/linux/files/LinuxLocations.h"
#include "platform/linux/limits/LinuxCpuLimiter.h"
#include "platform/linux/system/LinuxCpuTimes.h"
#include "platform/linux/system/LinuxDiskSpace.h"
#include "platform/linux/desktop/LinuxAutostartEntry.h"
#include "platform/linux/system/LinuxMemoryStatus.h"
#include "platform/linux/helper/LinuxPrivileges.h"
#include "platform/linux/processes/LinuxProcessTable.h"
#include "platform/linux/processes/LinuxProcessPriority.h"
#include "platform/linux/files/LinuxProfileFile.h"
#include "platform/linux/limits/LinuxSchedulerStats.h"
#include "platform/linux/desktop/LinuxShutdownRequests.h"
#include "platform/linux/desktop/LinuxSingleInstance.h"
#include "platform/linux/processes/LinuxWorkingSetTrimmer.h"
#include "platform/linux/system/LinuxSystemMemory.h"
#include "platform/linux/limits/LinuxUnitWeights.h"

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
