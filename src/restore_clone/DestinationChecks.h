#pragma once
#include <optional>
#include <string>

#include "disk/SectorRange.h"
#include "platform/Platform.h"
#include "shell/MessageTexts.h"

namespace drivecopy {

// The checks a restore or clone makes before it writes to a device range.
// Each returns the text of the refusal in the language of `texts` (from
// texts.Checks), naming what is in the way, or nullopt when writing may go
// ahead.

// A mounted file system lies in the range: writing under it would corrupt it
// and be overwritten again by its own caching.
std::optional<std::string> MountedFileSystemRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& devicePath, SectorRange range);

// The file at `filePath` (the image being restored) is stored in the range,
// or is the destination itself: the restore would overwrite what it reads.
std::optional<std::string> FileInRangeRefusal(Platform& platform, const MessageTexts& texts,
                                              const std::string& filePath, const std::string& devicePath,
                                              SectorRange range);

// Source and destination are overlapping ranges of one device: the copy
// would read sectors it has already overwritten.
std::optional<std::string> OverlappingRangesRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& sourcePath, SectorRange source,
                                                    const std::string& destinationPath, SectorRange destination);

}  // namespace drivecopy
