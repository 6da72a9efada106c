#pragma once
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/AttachedLoops.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/StoragePlace.h"

namespace drivecopy::linux_backend {

// Whether a loop device shows some bytes of a place: by identity where the
// kernel told what the loop shows, and by the best evidence there is where
// identity cannot decide:
// - a loop over a file seen through an overlay mount is known by the
//   overlay's device and the file's inode in a layer (the overlay passes the
//   layer's inode number on, or its low 32 bits with xino), so a place in a
//   file system that holds one of the overlay's folders with that inode
//   counts as shown by it;
// - a loop the kernel could not be asked about (no right to its node) counts
//   when its sysfs name is the place's own name;
// - a loop whose backing file's file system did not answer counts for any
//   file in the file system its name points into: a doubt, which refuses.
class LoopEvidence {
 public:
  explicit LoopEvidence(const std::vector<MountEntry>& mounts) : mounts_(mounts) {}

  // The part of `loop`, counted from its start, that shows bytes of `place`;
  // nullopt when it shows none. `placeName` is the place's own absolute
  // name without links when it has one (the path a job was given), else "".
  std::optional<SectorRange> PartShowing(const AttachedLoop& loop, const StoragePlace& place,
                                         const std::string& placeName);

 private:
  bool OverlayFileMayBe(const StoragePlace& overlayFile, const StoragePlace& place);
  const std::vector<dev_t>& LayerFileSystems(const MountEntry& overlay);

  const std::vector<MountEntry>& mounts_;
  std::map<dev_t, std::vector<dev_t>> layers_;  // by overlay device
};

}  // namespace drivecopy::linux_backend
