#pragma once
#include <array>
#include <cstddef>
#include <optional>

#include "platform/DeviceHandle.h"
#include "platform/DiskRecords.h"
#include "platform/Failure.h"

namespace drivecopy {

// What one look at a device or file tells the drive lists: its first sector
// and its answers to the three disk requests, read through one handle.
struct DeviceFacts {
  // The first sector as far as it could be read; the rest stays zero.
  std::array<std::byte, 512> FirstSector{};
  std::size_t FirstSectorBytes = 0;
  // Why the first sector could not be read (not set for a file shorter than
  // a sector, which simply ends).
  std::optional<Failure> FirstSectorFailure;
  std::optional<PARTITION_INFORMATION> PartitionInfo;
  std::optional<DISK_GEOMETRY> Geometry;
  std::optional<DRIVE_LAYOUT_INFORMATION> Layout;
};

// Reads the facts through `device`: the first sector from offset 0, then
// each of the three requests, each made even when another failed.
DeviceFacts ReadDeviceFacts(DeviceHandle& device);

}  // namespace drivecopy
