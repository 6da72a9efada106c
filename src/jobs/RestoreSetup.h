#pragma once
#include <string>

#include "disk/DriveRecord.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// Where a restore writes, as the restore page's Next works it out.
struct RestoreDestination {
  std::string DevicePath;  // a partition is written through its drive
  SectorRange Range;
  std::string Description;  // shown as the destination and put into the overwrite question
};

// The destination a ticked row stands for: a partition (its layout entry),
// a floppy (0 to TotalBytes div 512) or a whole drive (its partition
// information), with its description. A row whose range holds no sector is
// refused with a failure whose text is strSBADDisk, to be shown under the
// title strSTitleERROR. Sizes use `decimalSeparator`.
Outcome<RestoreDestination> RestoreDestinationFromRecord(Platform& platform, const MessageTexts& texts,
                                                         const DriveRecord& record,
                                                         char decimalSeparator = '.');

// The memo line reporting the chosen image's size: StrSImageSize, a blank
// and the size text of SectorsStored × 512 bytes for a headed image, of the
// file's size for a raw one. A file that cannot be opened or holds fewer
// than the 65 header bytes, or whose header claims an impossible count of
// stored sectors, is an error naming the file (the last in the language of
// `texts`).
Outcome<std::string> ImageSizeLine(Platform& platform, const MessageTexts& texts,
                                   const std::string& imagePath, char decimalSeparator = '.');

}  // namespace drivecopy
