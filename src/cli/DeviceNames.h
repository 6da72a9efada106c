#pragma once
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/Platform.h"
#include "selection/DriveRow.h"

namespace drivecopy {

// The rows `drivecopy list` shows, gathered for looking names up.
struct ListedVolume {
  DriveRow Row;
  std::string DriveName;  // "C:" or the mount point
};
struct ListedDevices {
  std::vector<DriveRow> Drives;      // floppy and physical drive rows, in list order
  std::vector<DriveRow> Partitions;  // the partition rows of every drive
  std::vector<ListedVolume> Volumes;
};

// Reads the rows through the same list rules the desktop's lists use, so a
// resolved row carries exactly the record the desktop would hand over.
ListedDevices ListDevices(Platform& platform);

// What a name on the command line stands for.
enum class NamedKind { Drive, Partition, Floppy, Volume, RegularFile };

struct NamedDevice {
  NamedKind Kind = NamedKind::Drive;
  DriveRow Row;  // for a regular file: a whole-drive record of the file's size
};

// Looks a name up among the listed rows, in list order (drives and floppies,
// partitions, volumes), so that a name two rows answer to (a floppy's root is
// also a volume's) means what the drive list would offer first:
// - a drive or floppy by its device path;
// - a partition by its drive's path, '#' and its partition number
//   ("\\.\PhysicalDrive0#1", "/dev/sdb#1"), or by the node Linux gives it:
//   the drive's path and the number, with a 'p' between when the drive's name
//   ends in a digit ("/dev/sdb1", "/dev/nvme0n1p1", "/dev/loop3p1");
// - a floppy by its root path ("A:\") or drive name ("A:");
// - a volume by its drive name, mount point, root path or device path.
// Windows-style names ("\\.\...", "C:") are compared without regard to case,
// and a trailing separator on a root or mount point does not matter.
std::optional<NamedDevice> FindListedDevice(const ListedDevices& devices, const std::string& name);

// A whole-drive record for a regular file of `sizeBytes` bytes: kind physical
// drive, sectors 0 .. size div 512, caption "<path> <size text>".
NamedDevice RegularFileDevice(const std::string& path, std::int64_t sizeBytes);

// Resolves a name given on the command line: a listed row, otherwise an
// existing regular file (a host path that exists but is a device, folder or
// other special file is refused rather than treated as a file). The error is
// a text for the user.
std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform,
                                                         const std::string& name);

// The error for a name nothing answers to.
std::string UnknownDeviceNameText(const std::string& name);

// A name for a kind of device, for messages ("a partition").
std::string NamedKindText(NamedKind kind);

}  // namespace drivecopy
