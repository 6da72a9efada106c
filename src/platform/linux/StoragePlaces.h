#pragma once
#include <string>

#include "platform/SectorRange.h"

namespace drivecopy::linux_backend {

// Whether `firstRange` of `first` and `secondRange` of `second` may be the
// same bytes of storage (Platform::SharesStorage): both are traced to where
// their bytes lie (StorageTrace.h), and two places meet when they overlap on
// one disk or in one file, unless both are only somewhere inside a file
// system (two files of one file system never meet).
bool PathsShareStorage(const std::string& first, SectorRange firstRange, const std::string& second,
                       SectorRange secondRange);

// Same inode on the same file system, or the same block device.
bool SameFileOrDevice(const std::string& first, const std::string& second);

}  // namespace drivecopy::linux_backend
