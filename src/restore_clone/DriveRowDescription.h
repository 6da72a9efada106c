#pragma once
#include <string>

#include "disk/TBigDriveInformation.h"
#include "platform/Platform.h"

namespace drivecopy {

// The descriptions the restore and clone set-ups show for a chosen row and
// put into the overwrite question. The drive model comes from the identity
// query for the record's DriveNumber (empty when it cannot be found).

// "<model> <size>" with the size of the record's partition information.
std::string WholeDriveDescription(Platform& platform, const TBigDriveInformation& record);

// "<model>; Partition: <number>;\r\nType: <type name>; Size: <size>" for the
// record's layout entry: two lines.
std::string PartitionDescription(Platform& platform, const TBigDriveInformation& record);

// "Floppy <size>" with the size of the floppy's TotalBytes.
std::string FloppyDescription(const TBigDriveInformation& record);

}  // namespace drivecopy
