#include "disk/TBigDriveInformation.h"

#include "disk/KindTags.h"
#include "disk/Units.h"

namespace drivecopy {

SectorRange RecordSectorRange(const TBigDriveInformation& record) {
  SectorRange range;
  if (record.Kind == KindPartition) {
    const auto& entry = record.Layout.PartitionEntry[record.EntryIndex % MaxLayoutEntries];
    range.FirstSector = entry.StartingOffset / BytesPerSector;
    range.EndSector = range.FirstSector + entry.PartitionLength / BytesPerSector;
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
