#pragma once
#include <string>

#include "platform/SectorRange.h"

namespace drivecopy::linux_backend {

// Whether `firstRange` of `first` and `secondRange` of `second` may be the
// same bytes of storage (Platform::SharesStorage). Each side is traced down
// to where its bytes lie: a partition to its disk's range; a device-mapper
// or md device to the whole of each member; a loop device to its backing
// device or file; a file to itself and, somewhere inside, to the device of
// its file system (a path that does not exist yet to its folder's). Two
// places meet when they are the same file, or overlapping ranges of one disk
// of which at most one is only "somewhere inside".
bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange);

// Same inode on the same file system, or the same block device.
bool SameFileOrDevice(const std::string& first, const std::string& second);

}  // namespace drivecopy::linux_backend
