#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/DiskRecords.h"

namespace drivecopy::windows_backend {

// What IOCTL_DISK_GET_DRIVE_GEOMETRY_EX tells: the geometry record and the
// disk's size in bytes (which the geometry's cylinder product rounds down).
struct DiskGeometryAndSize {
  DISK_GEOMETRY Geometry;
  std::int64_t DiskBytes = 0;
  bool operator==(const DiskGeometryAndSize&) const = default;
};

// Decodes the DISK_GEOMETRY_EX the request returned (bytes: as many as it
// returned; the variable data after the disk size is not read). nullopt when
// fewer bytes came back than the geometry and the disk size take.
std::optional<DiskGeometryAndSize> DecodeGeometry(std::span<const std::byte> bytes);

}  // namespace drivecopy::windows_backend
