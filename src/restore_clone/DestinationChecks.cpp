#include "restore_clone/DestinationChecks.h"

#include <string>

#include "shell/FillPlaceholders.h"

namespace drivecopy {

namespace {

bool SameDevice(Platform& platform, const std::string& first, const std::string& second) {
  return first == second || platform.IsSameFile(first, second);
}

bool Overlap(SectorRange a, SectorRange b) {
  return a.FirstSector < b.EndSector && b.FirstSector < a.EndSector;
}

std::string FirstSectorText(SectorRange range) { return std::to_string(range.FirstSector); }

std::string LastSectorText(SectorRange range) { return std::to_string(range.EndSector - 1); }

}  // namespace

std::optional<std::string> MountedFileSystemRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& devicePath, SectorRange range) {
  const auto mounted = platform.MountedFileSystemIn(devicePath, range);
  if (!mounted) return std::nullopt;
  return FillPlaceholders(texts.Checks.strSDestinationMounted, {devicePath, *mounted});
}

std::optional<std::string> FileInRangeRefusal(Platform& platform, const MessageTexts& texts,
                                              const std::string& filePath, const std::string& devicePath,
                                              SectorRange range) {
  if (platform.IsSameFile(filePath, devicePath)) {
    return FillPlaceholders(texts.Checks.strSImageIsDestination, {filePath});
  }
  const auto location = platform.LocateFile(filePath);
  if (location && SameDevice(platform, location->DevicePath, devicePath) && Overlap(location->Range, range)) {
    return FillPlaceholders(texts.Checks.strSImageOnDestination,
                            {filePath, devicePath, FirstSectorText(range), LastSectorText(range)});
  }
  return std::nullopt;
}

std::optional<std::string> OverlappingRangesRefusal(Platform& platform, const MessageTexts& texts,
                                                    const std::string& sourcePath, SectorRange source,
                                                    const std::string& destinationPath, SectorRange destination) {
  if (!SameDevice(platform, sourcePath, destinationPath) || !Overlap(source, destination)) return std::nullopt;
  return FillPlaceholders(texts.Checks.strSRangesOverlap,
                          {FirstSectorText(source), LastSectorText(source), FirstSectorText(destination),
                           LastSectorText(destination), sourcePath});
}

}  // namespace drivecopy
