#pragma once
#include <cstdint>
#include <string>

#include "image/CompressionLevel.h"
#include "platform/Platform.h"

namespace drivecopy {

// Why an image cannot go to the volume chosen for it.
enum class TargetRefusal {
  None,
  FileTooLargeForFat,  // a FAT file cannot reach 4 GiB
  NotEnoughSpace,      // the volume has fewer free bytes than the image needs
};

// True for a file system whose files stay below 4 GiB, by the name a volume
// reports: any name holding "FAT" in any case ("FAT", "FAT16", "FAT32", Linux's
// "vfat") and Linux's "msdos". exFAT holds larger files and is not one of them.
bool IsFatFileSystem(const std::string& fileSystemName);

// The refusal, with the free bytes that made it when there was not enough space.
struct TargetVerdict {
  TargetRefusal Refusal = TargetRefusal::None;
  std::int64_t FreeBytes = 0;
  // Not enough space, but there would be in place of the image the new one
  // replaces: that one keeps its bytes until the new one is complete.
  bool ReplacedImageWouldMakeRoom = false;
};

// What lies under the names the new image is written to now.
struct FilesInTheWay {
  std::int64_t LeftoverBytes = 0;  // a killed create's file under the temporary name, removed before writing
  std::int64_t ReplacedBytes =
      0;  // the image under the final name, replaced only once the new one is complete
};

// Whether an image of `rangeBytes` source bytes may be written to
// `imagePath`. Only an image whose size is known in advance is judged: a raw
// image, or a headed one at level None, is at least the range's size. A
// compressed image's size is not known, so nothing is refused for it (a full
// volume then shows as a failed write); neither is a virtual run, which
// writes no blocks. A volume that cannot be asked is not refused either.
// The leftover's bytes count as free; the replaced image's do not, since it
// stays whole beside the new one until that one takes its name.
TargetVerdict CheckTargetVolume(Platform& platform, const std::string& imagePath, std::int64_t rangeBytes,
                                bool raw, CompressionLevel level, bool virtualMode,
                                const FilesInTheWay& inTheWay = {});

}  // namespace drivecopy
