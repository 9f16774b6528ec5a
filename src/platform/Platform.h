#pragma once

#include <memory>

#include "platform/ForegroundWindow.h"
#include "platform/MemoryStatus.h"
#include "platform/PrivateProfile.h"
#include "platform/Privileges.h"
#include "platform/ProcessPriority.h"
#include "platform/ShutdownRequests.h"
#include "platform/SingleInstance.h"

namespace platform {

// Everything the program asks of the operating system, one object per need.
struct Platform {
  std::unique_ptr<MemoryStatusSource> memoryStatus;
  std::unique_ptr<PrivateProfile> settingsFile;
  std::unique_ptr<SingleInstance> singleInstance;
  std::unique_ptr<Privileges> privileges;
  std::unique_ptr<ShutdownRequests> shutdownRequests;
  std::unique_ptr<ForegroundWindow> foregroundWindow;
  std::unique_ptr<ProcessPriorities> processPriorities;
};

// The platform of the system the program was built for.
Platform CreateNativePlatform();

}  // namespace platform
