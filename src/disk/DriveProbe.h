#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "image/ImageHeader.h"
#include "platform/DiskRecords.h"
#include "platform/Failure.h"
#include "platform/Platform.h"

namespace drivecopy {

// A short-lived probe of one raw device or file: the constructor takes one
// look at the path (Platform::ProbeDevice: its first sector, tested for the
// image magic, and its partition information, geometry and layout) and works
// out the size. It never fails; failures show in the flags (false), sizes
// (0) and the two failures below. No I/O happens after construction.
class DriveProbe {
 public:
  DriveProbe(Platform& platform, const std::string& path);
  virtual ~DriveProbe() = default;
  DriveProbe(const DriveProbe&) = delete;
  DriveProbe& operator=(const DriveProbe&) = delete;

  const std::string DevicePath;
  bool IsImage = false;
  ImageHeader Header;  // meaningful only when IsImage
  PARTITION_INFORMATION PartitionInfo{};
  bool HasPartitionInfo = false;
  DISK_GEOMETRY Geometry{};
  bool HasGeometry = false;
  DRIVE_LAYOUT_INFORMATION Layout{};
  bool HasLayout = false;
  std::int64_t TotalBytes = 0;
  std::int64_t TotalSectors = 0;
  std::int64_t GeometryBytes = 0;  // cylinders x tracks x sectors x bytes; 0 without geometry
  // Why nothing could be looked at: the path does not open, or the device
  // gave no answer in time (FailureKind::NotAnswering).
  std::optional<Failure> LookFailure;
  // Why the first sector could not be read, so that a partition table there
  // is unknown: a read error of the device, not a table that is missing.
  std::optional<Failure> FirstSectorFailure;

 private:
  void ComputeSizes();
};

}  // namespace drivecopy
