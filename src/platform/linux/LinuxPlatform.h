#pragma once
#include <memory>

#include "platform/Platform.h"

namespace drivecopy {

// The real machine: block devices under /sys/block, partition tables read
// with libblkid, mounted file systems from mountinfo, systemd services and a
// machine-wide settings file.
std::unique_ptr<Platform> MakeLinuxPlatform();

}  // namespace drivecopy
