#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"

namespace drivecopy::linux_backend {

// What lives in `range` of the block device at `path` (counted from that
// device's start) or in the regular file at `path`:
// - file systems mounted from the disk itself or from a partition in the
//   range, matched by device number and, since btrfs reports an anonymous
//   device number, by the mounted source's device;
// - active swap on such a node (or that file);
// - devices built on such a node (its sysfs holders: device-mapper, md) and
//   btrfs file systems it is a member of;
// - loop devices whose backing store is such a node (a loop over the whole
//   disk only when its offset and size limit reach into the range) or that file.
// Each holder is named once; empty for anything else.
std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range);

}  // namespace drivecopy::linux_backend
