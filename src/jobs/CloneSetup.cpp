#include "jobs/CloneSetup.h"

#include "jobs/CreateImageSetup.h"
#include "platform/KindTags.h"

namespace drivecopy {

std::string CloneRowDescription(Platform& platform, const DriveRecord& record, char decimalSeparator) {
  if (record.Kind == KindFloppy) return {};
  DriveRecord described = record;
  if (described.Kind != KindPartition) described.Kind = KindPhysicalDrive;
  return SourceDescription(platform, described, decimalSeparator).value_or("");
}

Outcome<CloneSelection::NextResult> CloneSelection::Next(Platform& platform, const MessageTexts& texts,
                                                         const DriveRow& row, char decimalSeparator) {
  NextResult result;
  if (sourceChosen_ && destinationChosen_) {
    result.Recorded = Step::AlreadyComplete;
    result.Description = destinationDescription_;
    return result;
  }

  const SectorRange range = RecordSectorRange(row.Record);
  if (range.SectorCount() < 1) return Failure::Because(texts.strSBADDisk);
  const CloneEndpoint endpoint{row.Record.DevicePath, row.Record.Kind, range.FirstSector, range.EndSector};
  result.Description = CloneRowDescription(platform, row.Record, decimalSeparator);

  if (!sourceChosen_) {
    const std::string line = texts.strSSourceDrive + row.Caption;
    result.Recorded = Step::SourceRecorded;
    result.PageMemoLines = {line, texts.strSDestCloneDrivesMemo};
    result.CloneMemoLines = {line};
    source_ = endpoint;
    sourceDescription_ = result.Description;
    sourceChosen_ = true;
  } else {
    const std::string line = texts.strSDestDrive + row.Caption;
    result.Recorded = Step::DestinationRecorded;
    result.PageMemoLines = {line};
    result.CloneMemoLines = {line};
    destination_ = endpoint;
    destinationDescription_ = result.Description;
    destinationChosen_ = true;
  }
  return result;
}

}  // namespace drivecopy
