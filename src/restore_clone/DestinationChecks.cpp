#include "restore_clone/DestinationChecks.h"

#include <string>

namespace drivecopy {

namespace {

bool SameDevice(Platform& platform, const std::string& first, const std::string& second) {
  return first == second || platform.IsSameFile(first, second);
}

bool Overlap(SectorRange a, SectorRange b) {
  return a.FirstSector < b.EndSector && b.FirstSector < a.EndSector;
}

std::string RangeText(SectorRange range) {
  return "sectors " + std::to_string(range.FirstSector) + " to " + std::to_string(range.EndSector - 1);
}

}  // namespace

std::optional<std::string> MountedFileSystemRefusal(Platform& platform, const std::string& devicePath,
                                                    SectorRange range) {
  const auto mounted = platform.MountedFileSystemIn(devicePath, range);
  if (!mounted) return std::nullopt;
  return "The destination " + devicePath + " holds the mounted file system " + *mounted +
         ". Unmount it (or choose another destination) and start again; nothing was written.";
}

std::optional<std::string> FileInRangeRefusal(Platform& platform, const std::string& filePath,
                                              const std::string& devicePath, SectorRange range) {
  if (platform.IsSameFile(filePath, devicePath)) {
    return "The image file " + filePath + " is the destination itself. Choose another destination; nothing was written.";
  }
  const auto location = platform.LocateFile(filePath);
  if (location && SameDevice(platform, location->DevicePath, devicePath) && Overlap(location->Range, range)) {
    return "The image file " + filePath + " is stored on the destination " + devicePath + " (" +
           RangeText(range) + "), so restoring would overwrite it while it is read. "
           "Copy the image elsewhere or choose another destination; nothing was written.";
  }
  return std::nullopt;
}

std::optional<std::string> OverlappingRangesRefusal(Platform& platform, const std::string& sourcePath,
                                                    SectorRange source, const std::string& destinationPath,
                                                    SectorRange destination) {
  if (!SameDevice(platform, sourcePath, destinationPath) || !Overlap(source, destination)) return std::nullopt;
  return "Source (" + RangeText(source) + ") and destination (" + RangeText(destination) + ") overlap on " +
         sourcePath + ": the copy would read sectors it has already overwritten. "
         "Choose ranges that do not overlap; nothing was written.";
}

}  // namespace drivecopy
