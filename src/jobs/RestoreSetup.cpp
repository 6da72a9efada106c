#include "jobs/RestoreSetup.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "image/ImageFileIo.h"
#include "image/ImageHeader.h"
#include "jobs/CreateImageSetup.h"
#include "platform/KindTags.h"
#include "platform/Units.h"
#include "text/FailureCause.h"
#include "text/FillPlaceholders.h"
#include "text/SizeText.h"

namespace drivecopy {

Outcome<RestoreDestination> RestoreDestinationFromRecord(Platform& platform, const MessageTexts& texts,
                                                         const DriveRecord& record, char decimalSeparator) {
  RestoreDestination destination;
  destination.DevicePath = record.DevicePath;
  destination.Range = RecordSectorRange(record);
  // Restore destinations are partitions, floppies and whole drives; any
  // other kind is taken as a whole drive, as the row's range is.
  DriveRecord described = record;
  if (described.Kind != KindPartition && described.Kind != KindFloppy) described.Kind = KindPhysicalDrive;
  destination.Description = SourceDescription(platform, described, decimalSeparator).value_or("");
  if (destination.Range.SectorCount() < 1) return Failure::Because(texts.strSBADDisk);
  return destination;
}

Outcome<std::string> ImageSizeLine(Platform& platform, const MessageTexts& texts,
                                   const std::string& imagePath, char decimalSeparator) {
  auto file = platform.Open(imagePath, OpenMode::Read);
  if (!file) {
    return file.error().Reworded(
        FillPlaceholders(texts.Checks.strSCannotOpenToRead, {imagePath, FailureCause(texts, file.error())}));
  }
  std::array<std::byte, ImageHeaderSize> headerBytes{};
  auto read = ReadUntilFullOrEnd(**file, headerBytes,
                                 FillPlaceholders(texts.Details.strSWhatNamedImageFile, {imagePath}));
  if (!read) return read.error();
  if (*read < headerBytes.size()) {
    return Failure::Because(
        FillPlaceholders(texts.Details.strSShorterThanHeader, {imagePath, std::to_string(*read)}));
  }

  std::int64_t imageBytes = 0;
  if (auto header = ParseHeader(headerBytes)) {
    // A count no file could hold is a damaged header, not a size to show.
    if (header->SectorsStored < 0 ||
        header->SectorsStored > std::numeric_limits<std::int64_t>::max() / BytesPerSector) {
      return Failure::Because(FillPlaceholders(texts.Checks.strSImageHeaderDamaged,
                                               {imagePath, std::to_string(header->SectorsStored)}));
    }
    imageBytes = header->SectorsStored * BytesPerSector;
  } else {
    auto size = (*file)->Size();
    if (!size)
      return size.error().Reworded(
          FillPlaceholders(texts.Details.strSCannotTellSize, {imagePath, size.error().text}));
    imageBytes = *size;
  }
  return texts.StrSImageSize + " " + SizeText(imageBytes, decimalSeparator);
}

}  // namespace drivecopy
