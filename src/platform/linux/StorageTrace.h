#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"
#include "platform/linux/AttachedLoops.h"
#include "platform/linux/StoragePlace.h"

namespace drivecopy::linux_backend {

// Where `range` of `path` really lies, by identity: the one place that turns
// a path and a range into storage. The first place is the path itself (its
// disk's range for a block device, the whole file for a regular file, both
// Exactly); then what lies below it:
// - a partition counts as its disk's range;
// - a loop device (or a partition of one) shows a part of its backing device
//   or file, as the kernel holds it (AttachedLoop::Shows), Exactly; a loop
//   the kernel could not be asked about counts as somewhere in the file
//   system its backing file's name points into;
// - a device-mapper or md device lies on each of its members (OnMember,
//   the whole member, since its table is not read);
// - a file lies Somewhere in its file system's device (btrfs's anonymous
//   device number through the mount's source device).
// A path that does not exist yet is a file to be made in its folder's file
// system: only that Somewhere place. Nothing is found for anything else
// (a pipe, a character device, a path that cannot be looked at).
std::vector<StoragePlace> TraceStorage(const std::string& path, SectorRange range,
                                       const std::vector<AttachedLoop>& loops);

}  // namespace drivecopy::linux_backend
