#pragma once
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Failure.h"

namespace drivecopy {

// Something that lives where a job would write, and that writing there
// would destroy.
enum class OccupantKind {
  MountedFileSystem,  // Name: where it is mounted (a mount point, a drive name)
  ActiveSwap,         // Name: the swap area
  StackedDevice,      // Name: the device built on it (device-mapper, RAID, a btrfs file system)
  LoopDevice,         // Name: the loop device whose backing store it is
  // Another job of ours (another drivecopy, or another job of this one) that
  // reads or writes the same bytes. Name: the path it was given, the sectors
  // of it where it is a part, and its process: "/dev/sdb @:2048-67583, PID 4711".
  JobReading,
  JobWriting,
};

struct Occupant {
  OccupantKind Kind = OccupantKind::MountedFileSystem;
  std::string Name;
  bool operator==(const Occupant&) const = default;
};

// What a job claims.
enum class ClaimTarget {
  Destination,  // an existing device or regular file that a restore or clone writes
  ImageFile,    // the regular file a create writes: created empty when it does not exist yet
  LogFile,      // the regular file a log is saved to at the end: held when it exists, not created
  // The name a finished image takes at the end (Platform::RenameOver): the
  // file there is held while it exists, never created, emptied or written,
  // and the claim makes sure nothing keeps it from being replaced then.
  ReplacedImage,
};

enum class ClaimRefusalReason {
  Occupied,        // Occupants name what lives there
  InUse,           // held by another program that the system does not name (another drivecopy, say)
  ReadOnly,        // write-protected, or a read-only device
  NotRegularFile,  // an image or log path that names a device, folder, pipe, socket or link
  Failed,          // Error says why
};

struct ClaimRefusal {
  ClaimRefusalReason Reason = ClaimRefusalReason::Failed;
  std::vector<Occupant> Occupants;
  Failure Error;
};

// What could not be done after writing; the data itself is written.
struct AfterWritingReport {
  // The system still shows the partitions of before (a whole drive was written).
  std::optional<Failure> PartitionTableNotReread;
};

// A destination held for one job, from before its first byte is written to
// its end: no one else may mount it, swap on it, build a device on it or
// write it while the claim lives (on Linux: block devices opened
// exclusively, files locked). The destructor lets go.
class WriteClaim {
 public:
  virtual ~WriteClaim() = default;
  // Called once everything written was brought to stable storage, with the
  // job's own write handle closed: every view the system keeps of the
  // written range (a partition's and its disk's caches) shows the new bytes,
  // and a written whole drive has its partition table read anew.
  virtual AfterWritingReport AfterWriting() = 0;
};

using ClaimResult = std::variant<std::unique_ptr<WriteClaim>, ClaimRefusal>;

// A source held for one job, from before its first byte is read to its end:
// no job of ours may write what it reads while the claim lives. The
// destructor lets go.
class ReadClaim {
 public:
  virtual ~ReadClaim() = default;
};

using ReadClaimResult = std::variant<std::unique_ptr<ReadClaim>, ClaimRefusal>;

}  // namespace drivecopy
