#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace drivecopy::windows_backend {

// The drive letters the system has now (GetLogicalDrives): A: and B: as the
// floppy slots, then every other letter in order, each with its root path
// "X:\", device path "\\.\X:" and drive name "X:".
std::vector<LogicalDrive> ListLogicalDrives();

// GetDriveTypeW of a root path.
int DriveTypeOfRoot(const std::string& rootPath);

// GetVolumeInformationW of a root path; nullopt when the volume is not ready.
std::optional<VolumeInformation> VolumeInformationOfRoot(const std::string& rootPath);

// The root path ("X:\") of the volume that holds, or would hold, a file at
// `path` (GetVolumePathNameW); nullopt when there is none.
std::optional<std::string> VolumeRootOf(const std::string& path);

// GetDiskFreeSpaceExW of the folder that holds, or would hold, `path`.
std::optional<FreeSpace> FreeSpaceOfPath(const std::string& path);

// Where a volume lies on the physical drives.
struct DiskExtent {
  std::uint32_t DiskNumber = 0;
  std::int64_t StartingOffset = 0;  // bytes
  std::int64_t Length = 0;          // bytes
};

// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS of the volume "\\.\X:"; all of its
// disk where the system names only the disk (IOCTL_STORAGE_GET_DEVICE_NUMBER);
// empty when the system cannot tell (a network or substituted drive, or a
// system that answers neither request).
std::vector<DiskExtent> ExtentsOfVolume(char letter);

}  // namespace drivecopy::windows_backend
