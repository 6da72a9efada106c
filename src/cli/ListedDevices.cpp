#include "cli/ListedDevices.h"

#include "platform/KindTags.h"

namespace drivecopy {
namespace {

NamedKind KindOfDriveRow(const DriveRow& row) {
  return row.Record.Kind == KindFloppy ? NamedKind::Floppy : NamedKind::Drive;
}

}  // namespace

ListedDevices ListDevices(Platform& platform, char decimalSeparator) {
  DriveLists lists(platform);
  lists.SetDecimalSeparator(decimalSeparator);
  const CloneEndpoint noCloneSource;
  ListedDevices devices;
  PhysicalDriveListing physical = lists.PhysicalDriveRows(noCloneSource);
  devices.NoDriveOpened = physical.ShowAdminRightsMessage;
  devices.NotAnswering = std::move(physical.NotAnswering);
  for (DriveRow& row : physical.Rows) {
    ListedDrive drive{{std::move(row), {}}, {}, {}};
    drive.Drive.Name = drive.Drive.Row.Record.DevicePath;
    for (const DriveProblem& problem : physical.FirstSectorUnreadable) {
      if (problem.DevicePath == drive.Drive.Name) drive.TableUnreadable = problem.Why;
    }
    if (drive.Drive.Row.Record.Kind == KindPhysicalDrive) {
      const auto nodes = platform.PartitionNodesOf(drive.Drive.Name);
      for (DriveRow& partition : lists.PartitionRows(drive.Drive.Row.Record, noCloneSource)) {
        const auto node = nodes ? NodeName(*nodes, partition) : std::nullopt;
        std::string name = node ? *node : TableName(partition);
        drive.Partitions.push_back({std::move(partition), std::move(name)});
      }
      // Nodes of a table that cannot be read are not out of date: where
      // they lie is simply unknown.
      if (nodes && !drive.TableUnreadable) {
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

}  // namespace drivecopy
