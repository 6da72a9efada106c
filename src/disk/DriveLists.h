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

// A physical drive that the list could look at only in part.
struct DriveProblem {
  std::string DevicePath;
  int DriveNumber = 0;
  Failure Why;
};

// What the physical drive list shows: floppy rows, then physical drive rows
// with the letters of their volumes in brackets. ShowAdminRightsMessage is
// set when physical drives were probed but none could be listed, which
// usually means the user lacks the rights to open them.
struct PhysicalDriveListing {
  std::vector<DriveRow> Rows;
  bool ShowAdminRightsMessage = false;
  // Drives that gave no answer in time: they have no row, and keep their
  // drive numbers.
  std::vector<DriveProblem> NotAnswering;
  // Listed drives whose first sector cannot be read, so that their
  // partition table is unknown: they are listed without partitions.
  std::vector<DriveProblem> FirstSectorUnreadable;
};

// What the list makes of one physical drive.
struct PhysicalDriveLook {
  std::optional<DriveRow> Row;  // none: no drive, no medium, no answer, or the clone source
  std::optional<Failure> NotAnswering;
  std::optional<Failure> FirstSectorUnreadable;
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

  // The rows PhysicalDriveRows makes, one at a time, for a caller that needs
  // only the rows of the devices it names (and so opens only those):
  // - whether physical drives are probed at all (on Windows only when some
  //   volume besides the floppies is present);
  bool ProbesPhysicalDrives() const;
  // - the row of a floppy slot of LogicalDrives(), when it is ready;
  std::optional<DriveRow> FloppyRow(const LogicalDrive& slot, const CloneEndpoint& cloneSource) const;
  // - physical drive `number` of the platform's numbering as it stands (the
  //   caller renews it once with PhysicalDriveSlots).
  PhysicalDriveLook PhysicalDriveRow(int number, const CloneEndpoint& cloneSource) const;

  // Partition rows of the drive that `selectedDrive` (a drive row's record)
  // stands for, leaving out extended containers, entries that end beyond the
  // drive, and the clone source.
  std::vector<DriveRow> PartitionRows(const DriveRecord& selectedDrive,
                                      const CloneEndpoint& cloneSource) const;

  // Ready removable and fixed volumes, in letter order.
  std::vector<DriveRow> LogicalDriveRows() const;
  // The row LogicalDriveRows makes for this logical drive, when it offers one.
  std::optional<DriveRow> LogicalDriveRow(const LogicalDrive& drive) const;

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
