#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "image/ImageHeader.h"
#include "platform/DiskRecords.h"
#include "platform/Platform.h"

namespace drivecopy {

// A short-lived probe of one raw device or file: the constructor opens the
// path, tests the first sector for the image magic, asks for the partition
// information, geometry and layout, and works out the size. It never fails;
// failures show only in the flags (false) and sizes (0). No I/O happens after
// construction.
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

 private:
  void ReadImageHeader();
  void ComputeSizes();

  std::unique_ptr<DeviceHandle> device_;  // kept open for the object's life
};

}  // namespace drivecopy
