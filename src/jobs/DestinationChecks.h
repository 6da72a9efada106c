#pragma once
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The checks a job makes before it writes, about what it reads and what it
// writes being the same storage. Each returns the text of the refusal in the
// language of `texts` (from texts.Checks), or nullopt when writing may go
// ahead. What lives on a destination is the destination guard's matter
// (DestinationGuard.h).

// The image being restored (a file, or a device given as the image) is the
// destination, lies in the destination range, or is what a loop destination
// is made of: the restore would overwrite what it reads.
std::optional<std::string> FileInRangeRefusal(Platform& platform, const MessageTexts& texts,
                                              const std::string& filePath, const std::string& devicePath,
                                              SectorRange range);

// Source and destination ranges share storage (one device under any of its
// names, a partition and its disk, a device built on the other): the copy
// would read sectors it has already overwritten.
std::optional<std::string> OverlappingRangesRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& sourcePath, SectorRange source,
                                                    const std::string& destinationPath,
                                                    SectorRange destination);

// The image file of a create would be stored in the source range it is made
// of: the image would hold parts of itself.
std::optional<std::string> ImageInsideSourceRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& imagePath,
                                                    const std::string& sourcePath, SectorRange source);

}  // namespace drivecopy
