#include "cli/DeviceNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "cli/JobCommandSupport.h"
#include "disk/DriveLists.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "text/FailureCause.h"
#include "text/GroupedNumber.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

bool IsWindowsStyle(const std::string& name) {
  return name.starts_with("\\\\") || (name.size() >= 2 && name[1] == ':');
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A root or mount point without its trailing separator ("C:\" -> "C:",
// "/mnt/usb/" -> "/mnt/usb"); "/" stays "/".
std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

bool SameName(const std::string& listed, const std::string& given) {
  if (listed.empty()) return false;
  if (IsWindowsStyle(listed) || IsWindowsStyle(given)) return Lower(listed) == Lower(given);
  return listed == given;
}

bool SameRoot(const std::string& listed, const std::string& given) {
  return SameName(WithoutTrailingSeparator(listed), WithoutTrailingSeparator(given));
}

const PARTITION_INFORMATION& LayoutEntryOf(const DriveRow& row) {
  return row.Record.Layout.PartitionEntry[row.Record.EntryIndex];
}

// "/dev/sdb#1": a partition named by its drive and its number in the table.
std::string TableName(const DriveRow& partition) {
  return partition.Record.DevicePath + "#" + std::to_string(LayoutEntryOf(partition).PartitionNumber);
}

// The partition's own node, where the system has one lying exactly where
// the table puts the partition.
std::optional<std::string> NodeName(const std::vector<PartitionNode>& nodes, const DriveRow& partition) {
  const auto number = static_cast<int>(LayoutEntryOf(partition).PartitionNumber);
  for (const PartitionNode& node : nodes) {
    if (node.Number == number && node.Range == RecordSectorRange(partition.Record)) {
      return node.Path;
    }
  }
  return std::nullopt;
}

// The nodes of a drive that no entry of its table accounts for: not a
// partition where the table has it, nor the extended container (which the
// table numbers 0) at its start.
std::vector<OutdatedPartitionNode> OutdatedNodesOf(const std::vector<PartitionNode>& nodes,
                                                   const DriveRow& drive) {
  std::vector<OutdatedPartitionNode> outdated;
  const auto& entries = drive.Record.Layout.PartitionEntry;
  for (const PartitionNode& node : nodes) {
    std::optional<SectorRange> tableRange;
    bool accounted = false;
    for (const PARTITION_INFORMATION& entry : entries) {
      if (entry.PartitionType == 0) continue;
      const SectorRange range = EntrySectorRange(entry);
      if (static_cast<int>(entry.PartitionNumber) == node.Number) {
        tableRange = range;
        accounted = range == node.Range;
      } else if (entry.PartitionNumber == 0 && range.FirstSector == node.Range.FirstSector) {
        accounted = true;
      }
      if (accounted) break;
    }
    if (!accounted) {
      outdated.push_back({node.Path, drive.Record.DevicePath, node.Number, node.Range, tableRange});
    }
  }
  return outdated;
}

NamedKind KindOfDriveRow(const DriveRow& row) {
  return row.Record.Kind == KindFloppy ? NamedKind::Floppy : NamedKind::Drive;
}

std::string SectorsText(SectorRange range) {
  return "sectors " + GroupedNumber(range.FirstSector, ",") + " to " + GroupedNumber(range.EndSector, ",");
}

std::string OutdatedNodeText(const OutdatedPartitionNode& node) {
  const std::string number = std::to_string(node.Number);
  std::string text = node.Path + " is partition " + number + " of " + node.DiskPath +
                     " as the system still has it (" + SectorsText(node.NodeRange) +
                     "), but the partition "
                     "table on " +
                     node.DiskPath;
  text += node.TableRange ? " now puts partition " + number + " at " + SectorsText(*node.TableRange)
                          : " no longer has a partition " + number;
  text +=
      ": the changed table has not been read by the system yet, so the command would not reach the "
      "bytes you named. Have the table re-read (partx -u " +
      node.DiskPath + " or partprobe " + node.DiskPath + "), then see drivecopy list";
  if (node.TableRange) text += ", or name the partition as the table has it: " + node.DiskPath + "#" + number;
  return text;
}

}  // namespace

ListedDevices ListDevices(Platform& platform, char decimalSeparator) {
  DriveLists lists(platform);
  lists.SetDecimalSeparator(decimalSeparator);
  const CloneEndpoint noCloneSource;
  ListedDevices devices;
  PhysicalDriveListing physical = lists.PhysicalDriveRows(noCloneSource);
  devices.NoDriveOpened = physical.ShowAdminRightsMessage;
  for (DriveRow& row : physical.Rows) {
    ListedDrive drive{{std::move(row), {}}, {}};
    drive.Drive.Name = drive.Drive.Row.Record.DevicePath;
    if (drive.Drive.Row.Record.Kind == KindPhysicalDrive) {
      const auto nodes = platform.PartitionNodesOf(drive.Drive.Name);
      for (DriveRow& partition : lists.PartitionRows(drive.Drive.Row.Record, noCloneSource)) {
        const auto node = nodes ? NodeName(*nodes, partition) : std::nullopt;
        std::string name = node ? *node : TableName(partition);
        drive.Partitions.push_back({std::move(partition), std::move(name)});
      }
      if (nodes) {
        for (auto& outdated : OutdatedNodesOf(*nodes, drive.Drive.Row)) {
          devices.OutdatedNodes.push_back(std::move(outdated));
        }
      }
    }
    devices.Drives.push_back(std::move(drive));
  }
  const std::vector<LogicalDrive> letters = platform.LogicalDrives();
  for (DriveRow& row : lists.LogicalDriveRows()) {
    NamedRow volume{std::move(row), {}};
    for (const LogicalDrive& letter : letters) {
      if (letter.RootPath == volume.Row.Record.RootPath) volume.Name = letter.DriveName;
    }
    devices.Volumes.push_back(std::move(volume));
  }
  return devices;
}

std::optional<NamedDevice> FindListedDevice(const ListedDevices& devices, const std::string& name) {
  if (name.empty()) return std::nullopt;
  for (const ListedDrive& drive : devices.Drives) {
    const DriveRow& row = drive.Drive.Row;
    const bool floppyRoot = row.Record.Kind == KindFloppy && SameRoot(row.Record.RootPath, name);
    if (SameName(drive.Drive.Name, name) || floppyRoot) {
      return NamedDevice{KindOfDriveRow(row), row};
    }
  }
  for (const ListedDrive& drive : devices.Drives) {
    for (const NamedRow& partition : drive.Partitions) {
      if (SameName(partition.Name, name) || SameName(TableName(partition.Row), name)) {
        return NamedDevice{NamedKind::Partition, partition.Row};
      }
    }
  }
  for (const NamedRow& volume : devices.Volumes) {
    const DriveRecord& record = volume.Row.Record;
    if (SameRoot(volume.Name, name) || SameRoot(record.RootPath, name) || SameName(record.DevicePath, name)) {
      return NamedDevice{NamedKind::Volume, volume.Row};
    }
  }
  return std::nullopt;
}

NamedDevice RegularFileDevice(const std::string& path, std::int64_t sizeBytes) {
  NamedDevice device;
  device.Kind = NamedKind::RegularFile;
  device.Row.Caption = path + " " + SizeText(sizeBytes);
  device.Row.Record.DevicePath = path;
  device.Row.Record.DriveNumber = -1;
  device.Row.Record.Kind = KindPhysicalDrive;
  device.Row.Record.PartitionInfo.StartingOffset = 0;
  device.Row.Record.PartitionInfo.PartitionLength = sizeBytes;
  return device;
}

std::string UnknownDeviceNameText(const std::string& name) {
  return "no drive, partition, floppy or volume is named " + name +
         "; see drivecopy list, which shows each row's name (a drive by its device path, a partition by "
         "its own device node or by its drive's path, '#' and its number, a floppy by its root or "
         "device path, a volume by its drive name or mount point), or name an existing regular file";
}

std::string NamedKindText(NamedKind kind) {
  switch (kind) {
    case NamedKind::Drive:
      return "a whole drive";
    case NamedKind::Partition:
      return "a partition";
    case NamedKind::Floppy:
      return "a floppy";
    case NamedKind::Volume:
      return "a volume";
    case NamedKind::RegularFile:
      return "a regular file";
  }
  return "a device";
}

std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform, const std::string& name) {
  const ListedDevices devices = ListDevices(platform);
  for (const OutdatedPartitionNode& node : devices.OutdatedNodes) {
    if (node.Path == name) return OutdatedNodeText(node);
  }
  if (auto listed = FindListedDevice(devices, name)) return *listed;

  // A host path that exists but is no regular file (a block device the lists
  // do not offer, a folder, a pipe) is never taken for a file: writing to an
  // unlisted device would skip every check a listed one gets.
  std::error_code error;
  const auto status = std::filesystem::status(name, error);
  // A block device the lists leave out because it cannot be opened (no right
  // to it, no medium) is named with the reason, which is the real trouble.
  if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    if (std::filesystem::is_block_file(status)) {
      if (auto opened = platform.Open(name, OpenMode::Read); !opened) {
        return "cannot open " + name + ": " + FailureCause(CommandLineTexts(), opened.error());
      }
    }
    return name +
           " is not a regular file, and no drive, partition, floppy or volume that "
           "drivecopy list shows is named so; see drivecopy list";
  }
  if (!platform.FileExists(name)) return UnknownDeviceNameText(name);
  auto file = platform.Open(name, OpenMode::Read);
  if (!file) return "cannot open " + name + ": " + FailureCause(CommandLineTexts(), file.error());
  auto size = file.value()->Size();
  if (!size) return "cannot tell the size of " + name + ": " + size.error().text;
  return RegularFileDevice(name, size.value());
}

}  // namespace drivecopy
