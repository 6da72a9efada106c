#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/DeviceHandle.h"

namespace drivecopy {

// Writes `data` (a whole number of 512-byte sectors) to `device` from sector
// `firstSector` on, in one request. When that request fails or stores fewer
// bytes than asked, every sector of the run is written again on its own, so
// that one bad sector costs only itself. Returns the indices, counted from
// the start of the run, of the sectors that could not be written (failed,
// short or unpositionable), in ascending order; empty when all were written.
std::vector<std::int64_t> WriteSectorsWithRetry(DeviceHandle& device, std::int64_t firstSector,
                                                std::span<const std::byte> data);

}  // namespace drivecopy
