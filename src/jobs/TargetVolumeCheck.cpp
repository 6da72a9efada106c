#include "jobs/TargetVolumeCheck.h"

#include <algorithm>
#include <cctype>

namespace drivecopy {

namespace {
constexpr std::int64_t kFatFileLimit = std::int64_t{4} * 1024 * 1024 * 1024;

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}
}  // namespace

bool IsFatFileSystem(const std::string& fileSystemName) {
  const std::string name = Lowercase(fileSystemName);
  if (name == "exfat") return false;
  return name.find("fat") != std::string::npos || name == "msdos";
}

TargetVerdict CheckTargetVolume(Platform& platform, const std::string& imagePath, std::int64_t rangeBytes,
                                bool raw, CompressionLevel level, bool virtualMode,
                                const FilesInTheWay& inTheWay) {
  if (virtualMode) return {};
  if (!raw && level != CompressionLevel::None) return {};
  if (const auto volume = platform.QueryVolumeOfPath(imagePath);
      volume && IsFatFileSystem(volume->FileSystemName) && rangeBytes >= kFatFileLimit) {
    return {TargetRefusal::FileTooLargeForFat, 0};
  }
  const auto space = platform.QueryFreeSpace(imagePath);
  if (!space) return {};
  const std::int64_t freeBytes = space->FreeBytes + inTheWay.LeftoverBytes;
  if (rangeBytes <= freeBytes) return {};
  return {TargetRefusal::NotEnoughSpace, freeBytes,
          inTheWay.ReplacedBytes > 0 && rangeBytes - freeBytes <= inTheWay.ReplacedBytes};
}

}  // namespace drivecopy
