#pragma once
#include <optional>
#include <string>

#include "jobs/CloneJob.h"
#include "jobs/RestoreImageJob.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// A whole drive's partition table counts in the drive's logical sectors, so
// copied whole onto a drive whose sectors have another size it points to the
// wrong places and the copy shows no partitions. These refuse such a copy
// (strSSectorSizesDiffer, naming both sizes) before anything is opened for
// writing, where the evidence is clear; a partition copied onto a partition
// is never refused, nor is a file destination (it has no sector size).

// A restore onto sector 0 of a drive: the image's table tells its sector size
// (TableSectorSize over its first sectors and, for a headed image of a whole
// drive, the partition starts its header lists).
std::optional<std::string> RestoreSectorSizeRefusal(Platform& platform, const MessageTexts& texts,
                                                    const RestoreImageParameters& parameters);

// A whole drive (or a regular file standing for one) cloned onto a whole
// drive: a partitioned source drive gives its own sector size; a file, the
// sector size its table tells.
std::optional<std::string> CloneSectorSizeRefusal(Platform& platform, const MessageTexts& texts,
                                                  const CloneParameters& parameters);

}  // namespace drivecopy
