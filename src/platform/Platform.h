#pragma once

#include <memory>

#include "platform/AutostartEntry.h"
#include "platform/CpuLimiter.h"
#include "platform/CpuTimes.h"
#include "platform/DiskSpace.h"
#include "platform/FileIcons.h"
#include "platform/ForegroundWindow.h"
#include "platform/MemoryStatus.h"
#include "platform/PrivateProfile.h"
#include "platform/Privileges.h"
#include "platform/ProcessPriority.h"
#include "platform/ProcessTable.h"
#include "platform/SchedulerStats.h"
#include "platform/ShutdownRequests.h"
#include "platform/SingleInstance.h"
#include "platform/SystemMemory.h"
#include "platform/UnitWeights.h"

namespace platform {

// Everything the program asks of the operating system, one object per need.
struct Platform {
  std::unique_ptr<MemoryStatusSource> memoryStatus;
  std::unique_ptr<PrivateProfile> settingsFile;
  // The defaults an administrator set for every user, read only; null where
  // the system has none.
  std::unique_ptr<PrivateProfile> systemSettingsFile;
  std::unique_ptr<SingleInstance> singleInstance;
  std::unique_ptr<Privileges> privileges;
  std::unique_ptr<ShutdownRequests> shutdownRequests;
  std::unique_ptr<ProcessTable> processTable;
  std::unique_ptr<WorkingSetTrimmer> workingSetTrimmer;
  std::unique_ptr<FileIcons> fileIcons;
  // The system resource diagram.
  std::unique_ptr<CpuTimesSource> cpuTimes;
  std::unique_ptr<LegacyCpuCounter> legacyCpuCounter;  // null where the system has none
  std::unique_ptr<SystemMemorySource> systemMemory;
  std::unique_ptr<DiskSpaceSource> diskSpace;
  std::unique_ptr<AutostartEntry> autostart;
  std::unique_ptr<ForegroundWindow> foregroundWindow;
  std::unique_ptr<ProcessPriorities> processPriorities;
  // The booster's second way and its figure; null where the system has none.
  std::unique_ptr<UnitWeights> unitWeights;
  std::unique_ptr<SchedulerStats> schedulerStats;
  std::unique_ptr<CpuLimiter> cpuLimiter;
};

// The platform of the system the program was built for.
Platform CreateNativePlatform();

}  // namespace platform
