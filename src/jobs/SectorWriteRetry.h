#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "jobs/WriteReport.h"
#include "platform/DeviceHandle.h"

namespace drivecopy {

// Writes all of `data` at sector `firstSector` in one request: nullopt when
// it was written, otherwise why not (a short count is taken as a medium error).
std::optional<Failure> WriteRequest(DeviceHandle& device, std::int64_t firstSector,
                                    std::span<const std::byte> data);

// Writes `data` (a whole number of 512-byte sectors) to `device` from sector
// `firstSector` on, in one request. When that request fails with a medium
// error or stores fewer bytes than asked, every sector of the run is written
// again on its own, so that one bad sector costs only itself. Any other
// failure ends the writing at once (WriteReport::Stop). Sector numbers in the
// report count from the start of the run.
WriteReport WriteSectorsWithRetry(DeviceHandle& device, std::int64_t firstSector,
                                  std::span<const std::byte> data);

}  // namespace drivecopy
