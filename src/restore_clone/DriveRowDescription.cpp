#include "restore_clone/DriveRowDescription.h"

#include "disk/DriveIdentity.h"
#include "disk/PartitionTypeName.h"
#include "disk/SizeText.h"

namespace drivecopy {

std::string WholeDriveDescription(Platform& platform, const TBigDriveInformation& record) {
  return DriveModel(platform, record.DriveNumber) + " " + SizeText(record.PartitionInfo.PartitionLength);
}

std::string PartitionDescription(Platform& platform, const TBigDriveInformation& record) {
  const auto& entry = record.Layout.PartitionEntry[record.EntryIndex % MaxLayoutEntries];
  return DriveModel(platform, record.DriveNumber) + "; Partition: " + std::to_string(entry.PartitionNumber) +
         ";\r\nType: " + PartitionTypeName(entry.PartitionType) + "; Size: " + SizeText(entry.PartitionLength);
}

std::string FloppyDescription(const TBigDriveInformation& record) {
  return "Floppy " + SizeText(record.TotalBytes);
}

}  // namespace drivecopy
