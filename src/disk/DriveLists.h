#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/CloneEndpoint.h"
#include "disk/DriveProbe.h"
#include "disk/DriveRow.h"
#include "disk/VolumeReadiness.h"

namespace drivecopy {

// What the physical drive list shows: floppy rows, then physical drive rows
// with the letters of their volumes in brackets. ShowAdminRightsMessage is
// set when physical drives were probed but none could be listed, which
// usually means the user lacks the rights to open them.
struct PhysicalDriveListing {
  std::vector<DriveRow> Rows;
  bool ShowAdminRightsMessage = false;
};

// The list-building rules, free of any window: the drive lists of the main
// window and `drivecopy list` both show these rows. `cloneSource` keeps the
// chosen clone source out of the rows during the second clone step.
class DriveLists {
 public:
  DriveLists(Platform& platform, MessagePump pump = {});

  // The decimal separator of the user's locale, for the size texts.
  void SetDecimalSeparator(char separator) { decimalSeparator_ = separator; }

  PhysicalDriveListing PhysicalDriveRows(const CloneEndpoint& cloneSource) const;

  // Partition rows of the drive that `selectedDrive` (a drive row's record)
  // stands for, leaving out extended containers, entries that end beyond the
  // drive, and the clone source.
  std::vector<DriveRow> PartitionRows(const DriveRecord& selectedDrive,
                                      const CloneEndpoint& cloneSource) const;

  // Ready removable and fixed volumes, in letter order.
  std::vector<DriveRow> LogicalDriveRows() const;

  // The drive name ("C:") of the ready removable or fixed volume that lives
  // in layout entry `entryIndex` of `record`'s disk. Where partitions have
  // device nodes (Linux) the volume is the one on the entry's node; elsewhere
  // it is matched by the entry's offset, length and hidden sectors and by the
  // disk's geometry size.
  std::optional<std::string> FindDriveLetter(const DriveRecord& record, int entryIndex,
                                             std::int64_t diskGeometryBytes) const;

 private:
  // A ready removable or fixed volume with a size, and its probe.
  struct OfferedVolume {
    int DriveType;
    std::unique_ptr<DriveProbe> Probe;
  };
  std::optional<OfferedVolume> OfferedVolumeOf(const LogicalDrive& drive) const;
  // FindDriveLetter with the disk's partition nodes already read, so that a
  // walk over a disk's entries reads them once.
  std::optional<std::string> DriveNameOfEntry(const std::optional<std::vector<PartitionNode>>& nodes,
                                              const DriveRecord& record, int entryIndex,
                                              std::int64_t diskGeometryBytes) const;
  std::optional<std::string> DriveNameOnPartitionNode(const std::vector<PartitionNode>& nodes,
                                                      const PARTITION_INFORMATION& entry) const;
  void Pump() const;

  Platform& platform_;
  VolumeReadiness userSystem_;
  MessagePump pump_;
  char decimalSeparator_ = '.';
};

}  // namespace drivecopy
