#include "cli/DeviceNames.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "cli/JobCommandSupport.h"
#include "disk/DriveLists.h"
#include "platform/KindTags.h"
#include "text/FailureCause.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

using Resolution = std::variant<NamedDevice, std::string>;

std::string NotAnsweringText(const std::string& name, const Failure& why) {
  return "cannot open " + name + ": " + why.text;
}

// Whether `name` is "DRIVE#..." for the drive at `drivePath`.
bool NamesPartitionOf(const std::string& drivePath, const std::string& name) {
  return name.size() > drivePath.size() + 1 &&
         SameName(drivePath + "#", name.substr(0, drivePath.size() + 1));
}

// The partition `name` means: found through the drive it belongs to, named
// by its drive's path and number or by one of that drive's partition nodes.
// nullopt when no drive claims the name.
std::optional<Resolution> FindPartition(Platform& platform, const DriveLists& lists, int slots,
                                        const std::string& name) {
  const CloneEndpoint noCloneSource;
  for (int number = 0; number < slots; ++number) {
    const std::string drivePath = platform.PhysicalDrivePath(number);
    const auto nodes = platform.PartitionNodesOf(drivePath);
    bool byNode = false;
    for (const PartitionNode& node : nodes.value_or(std::vector<PartitionNode>{})) {
      byNode |= SameName(node.Path, name);
    }
    if (!byNode && !NamesPartitionOf(drivePath, name)) continue;

    const PhysicalDriveLook drive = lists.PhysicalDriveRow(number, noCloneSource);
    if (drive.NotAnswering) return NotAnsweringText(drivePath, *drive.NotAnswering);
    if (!drive.Row) return std::nullopt;
    if (drive.FirstSectorUnreadable)
      return UnreadableTableText(name, drivePath, *drive.FirstSectorUnreadable);
    for (DriveRow& partition : lists.PartitionRows(drive.Row->Record, noCloneSource)) {
      const auto node = nodes ? NodeName(*nodes, partition) : std::nullopt;
      if (SameName(node.value_or(TableName(partition)), name) || SameName(TableName(partition), name)) {
        return NamedDevice{NamedKind::Partition, std::move(partition)};
      }
    }
    if (byNode) {
      for (const OutdatedPartitionNode& outdated : OutdatedNodesOf(*nodes, *drive.Row)) {
        if (outdated.Path == name) return OutdatedNodeText(outdated);
      }
    }
    return std::nullopt;
  }
  return std::nullopt;
}

// The rows a name can mean, tried in list order: floppies and drives,
// partitions, volumes.
std::optional<Resolution> FindRow(Platform& platform, const std::string& name) {
  DriveLists lists(platform);
  const CloneEndpoint noCloneSource;
  const std::vector<LogicalDrive> letters = platform.LogicalDrives();
  for (const LogicalDrive& slot : letters) {
    if (!slot.IsFloppySlot || !(SameName(slot.DevicePath, name) || SameRoot(slot.RootPath, name))) continue;
    if (auto row = lists.FloppyRow(slot, noCloneSource))
      return NamedDevice{NamedKind::Floppy, std::move(*row)};
  }
  const int slots = lists.ProbesPhysicalDrives() ? platform.PhysicalDriveSlots() : 0;
  for (int number = 0; number < slots; ++number) {
    if (!SameName(platform.PhysicalDrivePath(number), name)) continue;
    PhysicalDriveLook drive = lists.PhysicalDriveRow(number, noCloneSource);
    if (drive.Row) return NamedDevice{NamedKind::Drive, std::move(*drive.Row)};
    if (drive.NotAnswering) return NotAnsweringText(name, *drive.NotAnswering);
    break;
  }
  if (auto partition = FindPartition(platform, lists, slots, name)) return partition;
  for (const LogicalDrive& letter : letters) {
    if (!SameRoot(letter.DriveName, name) && !SameRoot(letter.RootPath, name) &&
        !SameName(letter.DevicePath, name)) {
      continue;
    }
    if (auto row = lists.LogicalDriveRow(letter)) return NamedDevice{NamedKind::Volume, std::move(*row)};
  }
  return std::nullopt;
}

}  // namespace

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

std::string DeviceNodeNamed(const std::string& name) {
  if (name.empty() || IsWindowsStyleName(name)) return name;
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_block_file(fs::status(name, error))) {
    const fs::path node = fs::canonical(name, error);
    return error ? name : node.string();
  }
  // "sdb#1" in /dev, or a link's name with the partition's number.
  const auto hash = name.rfind('#');
  if (hash == std::string::npos || hash == 0) return name;
  const std::string drive = name.substr(0, hash);
  if (!fs::is_block_file(fs::status(drive, error))) return name;
  const fs::path node = fs::canonical(drive, error);
  return error ? name : node.string() + name.substr(hash);
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

std::variant<NamedDevice, std::string> ResolveDeviceName(Platform& platform, const std::string& given) {
  if (given.empty()) return UnknownDeviceNameText(given);
  const std::string name = DeviceNodeNamed(given);
  if (auto row = FindRow(platform, name)) return std::move(*row);

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
    return given +
           " is not a regular file, and no drive, partition, floppy or volume that "
           "drivecopy list shows is named so; see drivecopy list";
  }
  if (!platform.FileExists(name)) return UnknownDeviceNameText(given);
  auto file = platform.Open(name, OpenMode::Read);
  if (!file) return "cannot open " + name + ": " + FailureCause(CommandLineTexts(), file.error());
  auto size = file.value()->Size();
  if (!size) return "cannot tell the size of " + name + ": " + size.error().text;
  return RegularFileDevice(name, size.value());
}

}  // namespace drivecopy
