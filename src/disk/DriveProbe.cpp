#include "disk/DriveProbe.h"

#include <array>

#include "platform/Units.h"

namespace drivecopy {

DriveProbe::DriveProbe(Platform& platform, const std::string& path) : DevicePath(path) {
  if (auto opened = platform.Open(path, OpenMode::Read)) device_ = std::move(opened.value());
  // A path that does not open leaves every flag false and every size 0.
  if (!device_) return;

  ReadImageHeader();
  // One handle serves all three requests; each is made even when another failed.
  if (auto info = device_->QueryPartitionInfo()) {
    PartitionInfo = *info;
    HasPartitionInfo = true;
  }
  if (auto geometry = device_->QueryGeometry()) {
    Geometry = *geometry;
    HasGeometry = true;
  }
  if (auto layout = device_->QueryLayout()) {
    Layout = *layout;
    HasLayout = true;
  }
  ComputeSizes();
}

void DriveProbe::ReadImageHeader() {
  // A failed seek or read, or a short file, leaves the rest of the sector
  // zero, so a file shorter than the magic is never an image.
  std::array<std::byte, 512> sector{};
  if (!device_->Seek(0)) return;
  std::size_t filled = 0;
  while (filled < sector.size()) {
    auto read = device_->Read(std::span(sector).subspan(filled));
    if (!read || read.value() == 0) break;
    filled += read.value();
  }
  if (auto header = RecogniseImageSector(sector)) {
    IsImage = true;
    Header = std::move(*header);
  }
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
