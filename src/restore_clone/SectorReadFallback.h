#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/DeviceHandle.h"

namespace drivecopy {

// Fills `buffer` (a whole number of 512-byte sectors) from `device`, starting
// at sector `firstSector`. The run is first read in one request; a request
// that fails or returns fewer bytes than asked keeps only the whole sectors
// it delivered, and every sector after those is read alone. A sector that
// still cannot be read (failed, short or unpositionable) is left as zeros.
// Returns the indices, counted from the start of the run, of the sectors
// left as zeros, in ascending order; empty when every sector was read.
std::vector<std::int64_t> ReadSectorsWithFallback(DeviceHandle& device, std::int64_t firstSector,
                                                  std::span<std::byte> buffer);

}  // namespace drivecopy
