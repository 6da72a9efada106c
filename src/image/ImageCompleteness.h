#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "image/ImageReader.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// How much of what it was made from an image holds. A headed image tells by
// its header; a raw image tells nothing by itself, so a stopped create that
// kept one leaves a note beside it (StoppedImageNote), and a file under a
// create's temporary name is never finished (ImageFileNames).

// A headed image whose writing was cut off before its block index and final
// header were written (a killed create): its SectorsStored is not to be
// believed, whatever blocks follow.
bool IsUnfinishedImage(const ImageReader& reader);

// The sectors the create job was to read for a headed image: the range
// chosen at set-up, or, when only valid partitions were read, up to the end
// of the last one. A stored count below it means the job was stopped.
std::int64_t SectorsMeantToBeStored(const ImageHeader& header);

// What an image that a create stopped early holds, and of how many sectors.
struct EarlyStop {
  std::int64_t SectorsHeld = 0;
  std::int64_t SectorsOfSource = 0;
};

// A finished headed image that holds fewer sectors than it was meant to, or
// a raw image with a stopped note beside it that says its source had more
// sectors than it holds; nullopt otherwise.
std::optional<EarlyStop> FindEarlyStop(Platform& platform, const std::string& imagePath,
                                       const ImageReader& reader);

// "The image file X holds 32,896 of 65,536 sectors: it was stopped early."
std::string StoppedEarlyLine(const MessageTexts& texts, const std::string& imagePath, const EarlyStop& stop);

}  // namespace drivecopy
