#pragma once
#include <optional>
#include <string>
#include <vector>

#include "cli/RowNames.h"
#include "disk/DriveLists.h"
#include "disk/DriveRow.h"
#include "platform/Platform.h"

namespace drivecopy {

// A row `drivecopy list` shows, with the name the commands take for it.
struct NamedRow {
  DriveRow Row;
  std::string Name;
};

// A floppy or physical drive row and the rows of its partitions.
struct ListedDrive {
  NamedRow Drive;
  std::vector<NamedRow> Partitions;
  // Why the drive's first sector, and so its partition table, cannot be
  // read; it then shows no partitions.
  std::optional<Failure> TableUnreadable;
};

// Everything `drivecopy list` shows, gathered for looking names up.
struct ListedDevices {
  std::vector<ListedDrive> Drives;  // floppies and physical drives, in list order
  std::vector<NamedRow> Volumes;
  std::vector<OutdatedPartitionNode> OutdatedNodes;
  std::vector<DriveProblem> NotAnswering;  // drives that gave no answer in time
  bool NoDriveOpened = false;              // drives were probed and none could be opened
};

// Reads the rows through the same list rules the desktop's lists use, so a
// resolved row carries exactly the record the desktop would hand over.
// Names: a drive or floppy by its device path; a partition by the system's
// node for it where that node lies exactly where the table puts the
// partition ("/dev/sdb1"), else by its drive's path, '#' and its number
// ("\\.\PhysicalDrive0#1", "/dev/sdb#1"); a volume by its drive name or
// mount point ("C:", "/media/usb").
ListedDevices ListDevices(Platform& platform, char decimalSeparator = '.');

// What a name on the command line stands for.
enum class NamedKind { Drive, Partition, Floppy, Volume, RegularFile };

struct NamedDevice {
  NamedKind Kind = NamedKind::Drive;
  DriveRow Row;  // for a regular file: a whole-drive record of the file's size
};

// Looks a name up among the listed rows, in list order (drives and floppies,
// partitions, volumes), so that a name two rows answer to (a floppy's root is
// also a volume's) means what the drive list would offer first. A row
// answers to its listed name and also:
// - a partition to its drive's path, '#' and its number written in plain
//   decimal ("/dev/sdb#01" is no name);
// - a floppy to its root path ("A:\") or drive name ("A:");
// - a volume to its root path and device path.
// Windows-style names ("\\.\...", "C:") are compared without regard to case,
// and a trailing separator on a root or mount point does not matter.
std::optional<NamedDevice> FindListedDevice(const ListedDevices& devices, const std::string& name);

}  // namespace drivecopy
