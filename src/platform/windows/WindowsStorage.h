#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"
#include "platform/windows/WindowsVolumes.h"

namespace drivecopy::windows_backend {

// The bytes of the physical drives that `range` of the device at `path`
// occupies (a file: all of the volume it lies on), as far as the system
// tells: "\\.\PhysicalDriveN" is drive N itself, a volume "\\.\X:" and a
// file's volume are where IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS puts them.
// Empty when the system cannot say.
std::vector<DiskExtent> DiskBytesOf(const std::string& path, SectorRange range);

// Platform::IsSameFile: one file under two names (same volume serial number
// and file index), or one device (same device type and numbers, or the
// same path in any letter case).
bool SameFileOrDevice(const std::string& first, const std::string& second);

// Platform::SharesStorage with the bytes above; two different files never
// share storage.
bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange);

// True when two lists of disk bytes meet somewhere.
bool ExtentsMeet(const std::vector<DiskExtent>& first, const std::vector<DiskExtent>& second);

}  // namespace drivecopy::windows_backend
