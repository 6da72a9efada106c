#include "disk/DriveProbe.h"

#include "platform/Units.h"

namespace drivecopy {

DriveProbe::DriveProbe(Platform& platform, const std::string& path) : DevicePath(path) {
  auto looked = platform.ProbeDevice(path);
  // A path that cannot be looked at leaves every flag false and every size 0.
  if (!looked) {
    LookFailure = looked.error();
    return;
  }
  const DeviceFacts& facts = looked.value();
  FirstSectorFailure = facts.FirstSectorFailure;
  // A short file or a failed read leaves the rest of the sector zero, so a
  // file shorter than the magic is never an image.
  if (auto header = RecogniseImageSector(facts.FirstSector)) {
    IsImage = true;
    Header = std::move(*header);
  }
  if (facts.PartitionInfo) {
    PartitionInfo = *facts.PartitionInfo;
    HasPartitionInfo = true;
  }
  if (facts.Geometry) {
    Geometry = *facts.Geometry;
    HasGeometry = true;
  }
  if (facts.Layout) {
    Layout = *facts.Layout;
    HasLayout = true;
  }
  ComputeSizes();
}

void DriveProbe::ComputeSizes() {
  if (HasGeometry) {
    TotalSectors = Geometry.Cylinders * Geometry.TracksPerCylinder * Geometry.SectorsPerTrack;
    TotalBytes = TotalSectors * Geometry.BytesPerSector;
    GeometryBytes = TotalBytes;
  }
  // The exact partition-information size wins over the cylinder-rounded
  // geometry size, but only when it holds at least one whole sector.
  if ((HasGeometry || HasPartitionInfo) && PartitionInfo.PartitionLength / BytesPerSector > 0) {
    TotalSectors = PartitionInfo.PartitionLength / BytesPerSector;
    TotalBytes = PartitionInfo.PartitionLength;
  }
}

}  // namespace drivecopy
