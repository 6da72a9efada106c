#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"
#include "platform/linux/StoragePlace.h"

namespace drivecopy::linux_backend {

// What lives in `range` of the block device at `path` (counted from that
// device's start) or in the regular file at `path`, found by identity: the
// destination is traced to where its bytes lie (StorageTrace.h), and for the
// destination itself and for every place its loop devices show:
// - file systems mounted from a node of that disk over the range, matched by
//   device number and, since btrfs reports an anonymous device number, by
//   the mounted source's device; for a file, file systems made of that very
//   file (FUSE programs on a file, FileMounts.h);
// - active swap on such a node (or that file);
// - devices built on such a node (its sysfs holders: device-mapper, md) and
//   btrfs file systems it is a member of;
// - loop devices showing those bytes (LoopEvidence.h). One built on the
//   destination itself is an occupant; one over the same file or device as
//   the destination's own loop device, with ranges that overlap, is another
//   view of the destination, and whatever lives on its nodes over that range
//   (or is built on them) counts as above.
// Each holder is named once, the destination's own first; empty for anything else.
std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range);

// What FindOccupants finds, and where else the destination's bytes show.
struct DestinationSurvey {
  std::vector<Occupant> Occupants;
  // The ranges of other loop devices that show the destination's bytes (a
  // whole disk's device number and the range on it): views whose page
  // caches a write must drop.
  std::vector<StoragePlace> OtherViews;
};
DestinationSurvey SurveyDestination(const std::string& path, SectorRange range);

}  // namespace drivecopy::linux_backend
