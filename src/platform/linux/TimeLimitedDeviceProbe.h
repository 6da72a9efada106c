#pragma once
#include <string>

#include "platform/DeviceFacts.h"
#include "platform/Failure.h"

namespace drivecopy::linux_backend {

// Platform::ProbeDevice on Linux: the device or file is opened for reading
// and its facts read in a child process within the time limit of one look
// (LookWithinTimeLimit), so that a device that never answers is told as
// FailureKind::NotAnswering instead of holding up the program.
Outcome<DeviceFacts> ProbeDeviceWithinTimeLimit(const std::string& path);

}  // namespace drivecopy::linux_backend
