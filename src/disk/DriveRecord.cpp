#include "disk/DriveRecord.h"

#include "platform/KindTags.h"
#include "platform/Units.h"

namespace drivecopy {

SectorRange EntrySectorRange(const PARTITION_INFORMATION& entry) {
  const std::int64_t first = entry.StartingOffset / BytesPerSector;
  return {first, first + entry.PartitionLength / BytesPerSector};
}

SectorRange RecordSectorRange(const DriveRecord& record) {
  SectorRange range;
  if (record.Kind == KindPartition) {
    range = EntrySectorRange(record.Layout.PartitionEntry[record.EntryIndex % MaxLayoutEntries]);
  } else if (record.Kind == KindFloppy) {
    range.FirstSector = 0;
    range.EndSector = record.TotalBytes / BytesPerSector;
  } else {
    range.FirstSector = record.PartitionInfo.StartingOffset / BytesPerSector;
    range.EndSector = range.FirstSector + record.PartitionInfo.PartitionLength / BytesPerSector;
  }
  return range;
}

}  // namespace drivecopy
