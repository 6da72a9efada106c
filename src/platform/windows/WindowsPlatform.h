#pragma once
#include <memory>

#include "platform/Platform.h"

namespace drivecopy {

// The real Windows machine: raw devices through CreateFileW and the disk
// control requests, drive letters through the volume functions, the drive
// identity through WMI, the service manager and the registry.
std::unique_ptr<Platform> MakeWindowsPlatform();

}  // namespace drivecopy
