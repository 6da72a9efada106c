#include "jobs/CreateImageSetup.h"

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

const PARTITION_INFORMATION& EntryOf(const DriveRecord& record) {
  return record.Layout.PartitionEntry[record.EntryIndex % MaxLayoutEntries];
}

bool IsLogicalDrive(std::uint8_t kind) { return kind == KindFixedVolume || kind == KindRemovableVolume; }

// Lists the numbered partitions of the drive that end within `range`.
void ListDrivePartitions(Platform& platform, const std::string& devicePath, SectorRange range,
                         const MessagePump& pump, ImageHeader& header) {
  header.LastSector = 0;
  const DriveProbe drive(platform, devicePath);
  if (!drive.HasGeometry || !drive.HasPartitionInfo) return;
  for (const PARTITION_INFORMATION& entry : drive.Layout.PartitionEntry) {
    if (entry.PartitionType == 0 || entry.PartitionNumber == 0) continue;
    const std::int64_t start = entry.StartingOffset / BytesPerSector;
    const std::int64_t end = start + entry.PartitionLength / BytesPerSector;
    if (end > range.EndSector) continue;
    header.PartitionStarts.push_back(start);
    header.LastSector = std::max(header.LastSector, end);
    if (pump) pump();
  }
  header.PartitionCount = static_cast<std::int32_t>(header.PartitionStarts.size());
}

}  // namespace

SectorRange SourceRange(const DriveRecord& record) { return RecordSectorRange(record); }

std::optional<std::string> SourceDescription(Platform& platform, const DriveRecord& record,
                                             char decimalSeparator) {
  switch (record.Kind) {
    case KindPartition: {
      const PARTITION_INFORMATION& entry = EntryOf(record);
      return Detail(
          &DetailTexts::strSPartitionDescription,
          {DriveModel(platform, record.DriveNumber), std::to_string(entry.PartitionNumber),
           PartitionTypeName(entry.PartitionType), SizeText(entry.PartitionLength, decimalSeparator)});
    }
    case KindFloppy:
      return Detail(&DetailTexts::strSFloppyDescription, {SizeText(record.TotalBytes, decimalSeparator)});
    case KindPhysicalDrive:
      return DriveModel(platform, record.DriveNumber) + " " +
             SizeText(record.PartitionInfo.PartitionLength, decimalSeparator);
    case KindFixedVolume:
    case KindRemovableVolume:
      return record.RootPath + " " + SizeText(record.PartitionInfo.PartitionLength, decimalSeparator);
    default:
      return std::nullopt;
  }
}

std::optional<CreateSource> PrepareCreateSource(Platform& platform, const DriveRecord& record,
                                                const MessagePump& pump, char decimalSeparator) {
  CreateSource source;
  source.DevicePath = record.DevicePath;
  source.Kind = record.Kind;
  source.Range = SourceRange(record);
  source.Description = SourceDescription(platform, record, decimalSeparator);

  ImageHeader& header = source.Header;
  header.SectorCount = source.Range.SectorCount();
  header.FirstSector = source.Range.FirstSector;
  if (record.Kind == KindPartition) {
    header.SourceKind = KindPartition;
    header.LastSector = source.Range.EndSector;
    header.PartitionStarts = {source.Range.FirstSector};
  } else if (record.Kind == KindFloppy) {
    header.SourceKind = KindFloppy;
    header.LastSector = source.Range.EndSector;
    header.PartitionStarts = {0};
  } else if (IsLogicalDrive(record.Kind)) {
    header.SourceKind = record.Kind;
    header.LastSector = source.Range.EndSector;
    header.PartitionStarts = {0};
  } else {
    header.SourceKind = KindPhysicalDrive;
    ListDrivePartitions(platform, record.DevicePath, source.Range, pump, header);
  }
  header.PartitionCount = static_cast<std::int32_t>(header.PartitionStarts.size());

  if (source.Range.SectorCount() < 1) return std::nullopt;
  return source;
}

std::int64_t ValidPartitionsEnd(const ImageHeader& header, bool onlyValidPartitions) {
  const std::int64_t wholeRangeEnd = header.SectorCount + header.FirstSector;
  if (onlyValidPartitions && header.LastSector > header.FirstSector) return header.LastSector;
  return wholeRangeEnd;
}

}  // namespace drivecopy
