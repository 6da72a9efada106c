#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "image/ImageReader.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// How much of what it was made from an image holds, as far as the file
// itself can tell. A raw image tells nothing: any length is whole.

// A headed image whose writing was cut off before its block index and final
// header were written (a killed create): its SectorsStored is not to be
// believed, whatever blocks follow.
bool IsUnfinishedImage(const ImageReader& reader);

// The sectors the create job was to read for a headed image: the range
// chosen at set-up, or, when only valid partitions were read, up to the end
// of the last one. A stored count below it means the job was stopped.
std::int64_t SectorsMeantToBeStored(const ImageHeader& header);

// "The image file X holds 32,896 of 65,536 sectors: it was stopped early."
// for a finished headed image that holds fewer sectors than it was meant
// to; nullopt otherwise.
std::optional<std::string> StoppedEarlyLine(const MessageTexts& texts, const std::string& imagePath,
                                            const ImageReader& reader);

}  // namespace drivecopy
