#include "disk/DriveLists.h"

#include <algorithm>

#include "disk/DriveIdentity.h"
#include "disk/DriveProbe.h"
#include "disk/PartitionTypeName.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "text/DetailTextsInForce.h"
#include "text/SizeText.h"

namespace drivecopy {
namespace {

bool IsListedEntry(const PARTITION_INFORMATION& entry) {
  // Empty entries and extended containers (number 0) are never offered.
  return entry.PartitionType != 0 && entry.PartitionNumber != 0;
}

int ImageForInterface(DriveInterface bus) {
  return bus == DriveInterface::Usb ? DriveImageUsb : DriveImageHardDisk;
}

}  // namespace

DriveLists::DriveLists(Platform& platform, MessagePump pump)
    : platform_(platform), userSystem_(platform), pump_(std::move(pump)) {}

void DriveLists::Pump() const {
  if (pump_) pump_();
}

PhysicalDriveListing DriveLists::PhysicalDriveRows(const CloneEndpoint& cloneSource) const {
  PhysicalDriveListing listing;
  for (const LogicalDrive& slot : platform_.LogicalDrives()) {
    if (auto row = FloppyRow(slot, cloneSource)) {
      listing.Rows.push_back(std::move(*row));
      Pump();
    }
  }
  Pump();
  if (!ProbesPhysicalDrives()) return listing;

  int drivesCounted = 0;
  const int slots = platform_.PhysicalDriveSlots();
  for (int number = 0; number < slots; ++number) {
    PhysicalDriveLook drive = PhysicalDriveRow(number, cloneSource);
    const std::string path = platform_.PhysicalDrivePath(number);
    if (drive.NotAnswering) listing.NotAnswering.push_back({path, number, *drive.NotAnswering});
    if (!drive.Row) continue;
    ++drivesCounted;
    if (drive.FirstSectorUnreadable) {
      listing.FirstSectorUnreadable.push_back({path, number, *drive.FirstSectorUnreadable});
    }
    listing.Rows.push_back(std::move(*drive.Row));
    Pump();
  }
  // Drives that only failed to answer in time say nothing about rights.
  const auto unanswered = static_cast<int>(listing.NotAnswering.size());
  listing.ShowAdminRightsMessage = drivesCounted == 0 && (slots == 0 || unanswered < slots);
  Pump();
  return listing;
}

bool DriveLists::ProbesPhysicalDrives() const {
  // On Windows, without any volume besides the floppies no physical drive
  // can be opened, so none is probed.
  if (!platform_.ProbesDrivesOnlyWithVolumes()) return true;
  const std::vector<LogicalDrive> letters = platform_.LogicalDrives();
  return std::any_of(letters.begin(), letters.end(), [](const LogicalDrive& d) { return !d.IsFloppySlot; });
}

std::optional<DriveRow> DriveLists::FloppyRow(const LogicalDrive& slot,
                                              const CloneEndpoint& cloneSource) const {
  if (!slot.IsFloppySlot || !userSystem_.IsVolumeReady(slot.RootPath)) return std::nullopt;
  const DriveProbe probe(platform_, slot.DevicePath);
  if (!probe.HasGeometry) return std::nullopt;
  if (cloneSource.FirstSector == 0 && cloneSource.EndSector == probe.TotalBytes / BytesPerSector) {
    return std::nullopt;
  }
  DriveRow row;
  row.ImageIndex = DriveImageFloppy;
  row.Caption = slot.RootPath + " " + SizeText(probe.TotalBytes, decimalSeparator_);
  row.Record.RootPath = slot.RootPath;
  row.Record.DevicePath = slot.DevicePath;
  row.Record.DriveNumber = -1;
  row.Record.Kind = KindFloppy;
  row.Record.PartitionInfo = probe.PartitionInfo;
  row.Record.Geometry = probe.Geometry;
  row.Record.Layout = probe.Layout;
  row.Record.TotalBytes = probe.TotalBytes;
  return row;
}

PhysicalDriveLook DriveLists::PhysicalDriveRow(int number, const CloneEndpoint& cloneSource) const {
  PhysicalDriveLook look;
  const std::string path = platform_.PhysicalDrivePath(number);
  const DriveProbe probe(platform_, path);
  if (probe.LookFailure && probe.LookFailure->kind == FailureKind::NotAnswering) {
    look.NotAnswering = probe.LookFailure;
  }
  if (!probe.HasGeometry || probe.PartitionInfo.PartitionLength == 0) return look;
  const std::int64_t first = probe.PartitionInfo.StartingOffset / BytesPerSector;
  if (cloneSource.Kind == KindPhysicalDrive && cloneSource.DevicePath == path &&
      cloneSource.FirstSector == first &&
      cloneSource.EndSector == first + probe.PartitionInfo.PartitionLength / BytesPerSector) {
    return look;
  }
  look.FirstSectorUnreadable = probe.FirstSectorFailure;
  DriveRow row;
  row.ImageIndex = ImageForInterface(DriveInterfaceOf(platform_, number));
  row.Caption =
      DriveModel(platform_, number) + " " + SizeText(probe.PartitionInfo.PartitionLength, decimalSeparator_);
  row.Record.DevicePath = path;
  row.Record.DriveNumber = number;
  row.Record.Kind = KindPhysicalDrive;
  row.Record.PartitionInfo = probe.PartitionInfo;
  row.Record.Geometry = probe.Geometry;
  row.Record.Layout = probe.Layout;
  Pump();

  std::string letterText;
  if (probe.HasPartitionInfo) {
    DriveRecord partition = row.Record;
    partition.Kind = KindPartition;
    const auto nodes = platform_.PartitionNodesOf(path);
    for (int index = 0; index < MaxLayoutEntries; ++index) {
      if (!IsListedEntry(probe.Layout.PartitionEntry[static_cast<std::size_t>(index)])) continue;
      partition.EntryIndex = static_cast<std::uint8_t>(index);
      if (auto name = DriveNameOfEntry(nodes, partition, index, probe.GeometryBytes)) {
        letterText += *name + " ";
      }
      Pump();
    }
  }
  if (!letterText.empty()) row.Caption = "[ " + letterText + " ] " + row.Caption;
  look.Row = std::move(row);
  return look;
}

std::vector<DriveRow> DriveLists::PartitionRows(const DriveRecord& selectedDrive,
                                                const CloneEndpoint& cloneSource) const {
  std::vector<DriveRow> rows;
  const std::int64_t driveEnd = selectedDrive.PartitionInfo.StartingOffset / BytesPerSector +
                                selectedDrive.PartitionInfo.PartitionLength / BytesPerSector;
  const std::string path = platform_.PhysicalDrivePath(selectedDrive.DriveNumber);
  const DriveProbe probe(platform_, path);
  if (!probe.HasGeometry || !probe.HasPartitionInfo) return rows;
  const auto nodes = platform_.PartitionNodesOf(path);

  for (int index = 0; index < MaxLayoutEntries; ++index) {
    const auto& entry = probe.Layout.PartitionEntry[static_cast<std::size_t>(index)];
    if (!IsListedEntry(entry)) continue;
    const SectorRange range = EntrySectorRange(entry);
    if (range.EndSector > driveEnd) continue;  // a damaged table pointing past the drive
    if (cloneSource.FirstSector == range.FirstSector && cloneSource.EndSector == range.EndSector) continue;

    DriveRow row;
    row.ImageIndex = ImageForInterface(DriveInterfaceOf(platform_, selectedDrive.DriveNumber));
    row.Caption =
        Detail(&DetailTexts::strSPartitionRow,
               {DriveModel(platform_, selectedDrive.DriveNumber), std::to_string(entry.PartitionNumber),
                PartitionTypeName(entry.PartitionType), SizeText(entry.PartitionLength, decimalSeparator_)});
    row.Record.DevicePath = path;
    row.Record.DriveNumber = selectedDrive.DriveNumber;
    row.Record.Kind = KindPartition;
    row.Record.EntryIndex = static_cast<std::uint8_t>(index);
    row.Record.Geometry = probe.Geometry;
    row.Record.PartitionInfo = probe.PartitionInfo;
    row.Record.Layout = probe.Layout;
    if (auto name = DriveNameOfEntry(nodes, row.Record, index, probe.GeometryBytes)) {
      row.Caption = "[ " + *name + " ] " + row.Caption;
    }
    rows.push_back(std::move(row));
    Pump();
  }
  Pump();
  return rows;
}

std::optional<DriveLists::OfferedVolume> DriveLists::OfferedVolumeOf(const LogicalDrive& drive) const {
  if (!userSystem_.IsVolumeReady(drive.RootPath)) return std::nullopt;
  const int type = platform_.QueryDriveType(drive.RootPath);
  auto probe = std::make_unique<DriveProbe>(platform_, drive.DevicePath);
  if (probe->TotalBytes == 0) return std::nullopt;
  if (type != DriveRemovable && type != DriveFixed) return std::nullopt;
  return OfferedVolume{type, std::move(probe)};
}

std::vector<DriveRow> DriveLists::LogicalDriveRows() const {
  std::vector<DriveRow> rows;
  for (const LogicalDrive& drive : platform_.LogicalDrives()) {
    auto row = LogicalDriveRow(drive);
    if (!row) continue;
    rows.push_back(std::move(*row));
    Pump();
  }
  return rows;
}

std::optional<DriveRow> DriveLists::LogicalDriveRow(const LogicalDrive& drive) const {
  const auto volume = OfferedVolumeOf(drive);
  if (!volume) return std::nullopt;
  const bool removable = volume->DriveType == DriveRemovable;
  DriveRow row;
  row.ImageIndex = removable ? DriveImageRemovable : DriveImageHardDisk;
  row.Caption = drive.RootPath + " " + SizeText(volume->Probe->TotalBytes, decimalSeparator_);
  row.Record.RootPath = drive.RootPath;
  row.Record.DevicePath = drive.DevicePath;
  row.Record.Kind = removable ? KindRemovableVolume : KindFixedVolume;
  row.Record.PartitionInfo = volume->Probe->PartitionInfo;
  row.Record.Geometry = volume->Probe->Geometry;
  row.Record.Layout = volume->Probe->Layout;
  return row;
}

std::optional<std::string> DriveLists::FindDriveLetter(const DriveRecord& record, int entryIndex,
                                                       std::int64_t diskGeometryBytes) const {
  return DriveNameOfEntry(platform_.PartitionNodesOf(record.DevicePath), record, entryIndex,
                          diskGeometryBytes);
}

std::optional<std::string> DriveLists::DriveNameOfEntry(
    const std::optional<std::vector<PartitionNode>>& nodes, const DriveRecord& record, int entryIndex,
    std::int64_t diskGeometryBytes) const {
  if (entryIndex < 0 || entryIndex >= MaxLayoutEntries) return std::nullopt;
  const auto& entry = record.Layout.PartitionEntry[static_cast<std::size_t>(entryIndex)];
  if (nodes) return DriveNameOnPartitionNode(*nodes, entry);
  for (const LogicalDrive& drive : platform_.LogicalDrives()) {
    const auto volume = OfferedVolumeOf(drive);
    if (!volume) continue;
    // The volume's geometry request describes the disk it lives on, so an
    // equal geometry size is taken to mean the same disk.
    const PARTITION_INFORMATION& info = volume->Probe->PartitionInfo;
    if (info.StartingOffset == entry.StartingOffset && info.PartitionLength == entry.PartitionLength &&
        info.HiddenSectors == entry.HiddenSectors && volume->Probe->GeometryBytes == diskGeometryBytes) {
      return drive.DriveName;
    }
  }
  return std::nullopt;
}

std::optional<std::string> DriveLists::DriveNameOnPartitionNode(const std::vector<PartitionNode>& nodes,
                                                                const PARTITION_INFORMATION& entry) const {
  // The node must be the entry as the table has it now: a node the system
  // has not brought up to date belongs to no entry.
  const SectorRange entryRange = EntrySectorRange(entry);
  const auto node = std::find_if(nodes.begin(), nodes.end(), [&](const PartitionNode& n) {
    return n.Number == static_cast<int>(entry.PartitionNumber) && n.Range == entryRange;
  });
  if (node == nodes.end()) return std::nullopt;
  for (const LogicalDrive& drive : platform_.LogicalDrives()) {
    if (drive.IsFloppySlot || !platform_.IsSameFile(drive.DevicePath, node->Path)) continue;
    if (OfferedVolumeOf(drive)) return drive.DriveName;
  }
  return std::nullopt;
}

}  // namespace drivecopy
