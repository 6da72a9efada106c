#include "jobs/DestinationChecks.h"

#include <string>

#include "text/FillPlaceholders.h"

namespace drivecopy {

namespace {

std::string FirstSectorText(SectorRange range) { return std::to_string(range.FirstSector); }

std::string LastSectorText(SectorRange range) { return std::to_string(range.EndSector - 1); }

constexpr SectorRange WholeFile{0, INT64_MAX};

}  // namespace

std::optional<std::string> FileInRangeRefusal(Platform& platform, const MessageTexts& texts,
                                              const std::string& filePath, const std::string& devicePath,
                                              SectorRange range) {
  if (platform.IsSameFile(filePath, devicePath)) {
    return FillPlaceholders(texts.Checks.strSImageIsDestination, {filePath});
  }
  if (platform.SharesStorage(filePath, WholeFile, devicePath, range)) {
    return FillPlaceholders(texts.Checks.strSImageOnDestination,
                            {filePath, devicePath, FirstSectorText(range), LastSectorText(range)});
  }
  return std::nullopt;
}

std::optional<std::string> OverlappingRangesRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& sourcePath, SectorRange source,
                                                    const std::string& destinationPath,
                                                    SectorRange destination) {
  if (!platform.SharesStorage(sourcePath, source, destinationPath, destination)) return std::nullopt;
  return FillPlaceholders(texts.Checks.strSRangesOverlap,
                          {FirstSectorText(source), LastSectorText(source), FirstSectorText(destination),
                           LastSectorText(destination), sourcePath});
}

std::optional<std::string> ImageInsideSourceRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& imagePath,
                                                    const std::string& sourcePath, SectorRange source) {
  if (!platform.IsSameFile(imagePath, sourcePath) &&
      !platform.SharesStorage(imagePath, WholeFile, sourcePath, source))
    return std::nullopt;
  return FillPlaceholders(texts.Checks.strSImageInsideSource,
                          {imagePath, sourcePath, FirstSectorText(source), LastSectorText(source)});
}

}  // namespace drivecopy
