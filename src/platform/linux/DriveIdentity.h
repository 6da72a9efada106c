#pragma once
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// Path of physical drive N (/dev/NAME of the N-th disk of
// PhysicalDiskNames); "" when there is no N-th disk.
std::string PhysicalDrivePathOf(int driveNumber);

// Model of drive N from sysfs vendor and model ("Loop device (disk.img)" for
// a loop device): Result 1 when drive N exists (the text may be empty), 0
// when it does not.
IdentityAnswer DriveModelOf(int driveNumber);

// Bus of drive N: "USB", "IDE" (ATA) or "SCSI" (SCSI, NVMe, virtio); an empty
// value with Result 1 for a loop device or an unknown bus; 0 without drive N.
IdentityAnswer DriveInterfaceTypeOf(int driveNumber);

}  // namespace drivecopy
