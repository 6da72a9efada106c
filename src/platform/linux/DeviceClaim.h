#pragma once
#include <string>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"

namespace drivecopy::linux_backend {

// Platform::ClaimForWriting on Linux.
//
// A block device is held by opening exclusively (O_EXCL) the nodes the
// written range touches: the whole disk when the range is all of it (or
// lies where the kernel knows no partition), otherwise each partition node
// in the range. The kernel refuses such an open while the node, or the
// whole disk, is mounted, used as swap, claimed by device-mapper, md or
// btrfs, or held by another program doing the same, and it refuses those
// uses while the claim lives. A read-only device is refused before that.
//
// A regular file is held with an exclusive flock(2), and refused when a loop
// device or swap uses it. Image and log paths are never followed through a
// symbolic link; an image file that does not exist is created empty, a log
// file or the name an image replaces is not. Anything but a regular file
// (and, for a destination, a block device) is refused, and nothing is ever
// unlinked or truncated here.
ClaimResult ClaimPath(const std::string& path, SectorRange range, ClaimTarget target);

}  // namespace drivecopy::linux_backend
