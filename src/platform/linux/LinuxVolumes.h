#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy::linux_backend {

// Logical drives of a Linux machine: the floppy slots /dev/fd0 and /dev/fd1
// that exist, then the block-device file systems that are mounted, one per
// device (the mount showing the whole file system, else its first mount),
// named by mount point and in mount point order.
std::vector<LogicalDrive> ListLogicalDrives();

// 2 removable (floppy slot, removable or USB disk), 3 fixed, 5 for a volume
// of an optical drive, 1 for a root that is neither a floppy slot nor a
// listed mount point.
int DriveTypeOfRoot(const std::string& rootPath);

// File system name (as mountinfo says) and label of a listed mount point or
// of a floppy slot holding a readable medium with a known file system.
std::optional<VolumeInformation> VolumeInformationOfRoot(const std::string& rootPath);

// The file system that holds (or would hold) a file at path: the mount with
// the longest mount point containing the path's nearest existing directory.
std::optional<VolumeInformation> VolumeInformationOfPath(const std::string& path);

// Space for an unprivileged writer on the file system of path's nearest
// existing directory.
std::optional<FreeSpace> FreeSpaceOfPath(const std::string& path);

}  // namespace drivecopy::linux_backend
