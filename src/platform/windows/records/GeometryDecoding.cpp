#include "platform/windows/records/GeometryDecoding.h"

#include "platform/windows/records/LittleEndian.h"
#include "platform/windows/records/WindowsRecordLayout.h"

namespace drivecopy::windows_backend {

std::optional<DiskGeometryAndSize> DecodeGeometry(std::span<const std::byte> bytes) {
  namespace at = disk_geometry_ex;
  if (bytes.size() < at::Data) return std::nullopt;
  DiskGeometryAndSize answer;
  answer.Geometry.Cylinders = ReadLittleEndianSigned64(bytes, at::Cylinders);
  answer.Geometry.MediaType = ReadLittleEndian<std::uint32_t>(bytes, at::MediaType);
  answer.Geometry.TracksPerCylinder = ReadLittleEndian<std::uint32_t>(bytes, at::TracksPerCylinder);
  answer.Geometry.SectorsPerTrack = ReadLittleEndian<std::uint32_t>(bytes, at::SectorsPerTrack);
  answer.Geometry.BytesPerSector = ReadLittleEndian<std::uint32_t>(bytes, at::BytesPerSector);
  answer.DiskBytes = ReadLittleEndianSigned64(bytes, at::DiskSize);
  return answer;
}

}  // namespace drivecopy::windows_backend
