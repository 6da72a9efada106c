#pragma once
#include <cstdint>
#include <string>

#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The "Partition to small" message of a restore or clone whose destination
// range holds fewer sectors than its source: the window's own text, then on a
// line of its own what `sourceName` needs and what `destinationPath` offers
// in `destination`, in sectors and as sizes.
std::string DestinationTooSmallText(const MessageTexts& texts, const std::string& sourceName,
                                    std::int64_t sourceSectors, const std::string& destinationPath,
                                    SectorRange destination, char decimalSeparator);

}  // namespace drivecopy
