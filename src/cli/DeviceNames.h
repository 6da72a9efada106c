#pragma once
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "disk/DriveRow.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"

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
};

// A partition node the system still shows but the disk's partition table no
// longer has as it is (the table was changed and not re-read): writing
// through the table would not touch the bytes the node names.
struct OutdatedPartitionNode {
  std::string Path;      // "/dev/sdb1"
  std::string DiskPath;  // "/dev/sdb"
  int Number = 0;
  SectorRange NodeRange;                  // where the system takes it to lie
  std::optional<SectorRange> TableRange;  // entry `Number` of the table now, if any
};

// Everything `drivecopy list` shows, gathered for looking names up.
struct ListedDevices {
  std::vector<ListedDrive> Drives;  // floppies and physical drives, in list order
  std::vector<NamedRow> Volumes;
  std::vector<OutdatedPartitionNode> OutdatedNodes;
  bool NoDriveOpened = false;  // drives were probed and none could be opened
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

// A whole-drive record for a regular file of `sizeBytes` bytes: kind physical
// drive, sectors 0 .. size div 512, caption "<path> <size text>".
NamedDevice RegularFileDevice(const std::string& path, std::int64_t sizeBytes);

// Resolves a name given on the command line: a listed row, otherwise an
// existing regular file; an outdated partition node is refused, saying how
// to have the table re-read (a host path that exists but is a device, folder or
// other special file is refused rather than treated as a file). The error is
// a text for the user.
std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform, const std::string& name);

// The error for a name nothing answers to.
std::string UnknownDeviceNameText(const std::string& name);

// A name for a kind of device, for messages ("a partition").
std::string NamedKindText(NamedKind kind);

}  // namespace drivecopy
