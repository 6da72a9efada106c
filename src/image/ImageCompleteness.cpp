#include "image/ImageCompleteness.h"

#include <algorithm>

#include "image/StoppedImageNote.h"
#include "text/FillPlaceholders.h"
#include "text/GroupedNumber.h"

namespace drivecopy {

bool IsUnfinishedImage(const ImageReader& reader) {
  const ImageHeader& header = reader.Header();
  // The create job writes the index and then the final header; before that
  // the header it wrote first says 0 for both.
  return reader.Format() == ImageFormat::Headed && (header.IndexOffset <= 0 || header.IndexSize <= 0);
}

std::int64_t SectorsMeantToBeStored(const ImageHeader& header) {
  if (header.LastSector > header.FirstSector)
    return std::min(header.SectorCount, header.LastSector - header.FirstSector);
  return header.SectorCount;
}

std::optional<EarlyStop> FindEarlyStop(Platform& platform, const std::string& imagePath,
                                       const ImageReader& reader) {
  if (reader.Format() == ImageFormat::Raw) {
    const auto note = ReadStoppedNote(platform, imagePath);
    if (!note || reader.SectorCount() >= note->SectorCount) return std::nullopt;
    return EarlyStop{reader.SectorCount(), note->SectorCount};
  }
  if (IsUnfinishedImage(reader)) return std::nullopt;
  const ImageHeader& header = reader.Header();
  if (header.SectorsStored >= SectorsMeantToBeStored(header)) return std::nullopt;
  return EarlyStop{header.SectorsStored, header.SectorCount};
}

std::string StoppedEarlyLine(const MessageTexts& texts, const std::string& imagePath, const EarlyStop& stop) {
  const std::string& separator = texts.Checks.strSThousandsSeparator;
  return FillPlaceholders(texts.Checks.strSImageStoppedEarly,
                          {imagePath, GroupedNumber(stop.SectorsHeld, separator),
                           GroupedNumber(stop.SectorsOfSource, separator)});
}

}  // namespace drivecopy
