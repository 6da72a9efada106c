#pragma once
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace drivecopy {

// The whole disk (/dev/NAME) and the sector range of the partition or disk
// whose file system holds `path`; nullopt for a file that does not exist or
// lives on no block device (tmpfs, overlay, network).
std::optional<FileLocation> LocateFileOnDevice(const std::string& path);

// Same inode on the same file system, or the same block device.
bool SameFileOrDevice(const std::string& first, const std::string& second);

// The mount point of a mounted file system that lies at least in part in
// `range` of the block device `devicePath` (a whole disk or a partition,
// the range counted from that device's own start).
std::optional<std::string> MountPointInRange(const std::string& devicePath, SectorRange range);

}  // namespace drivecopy
