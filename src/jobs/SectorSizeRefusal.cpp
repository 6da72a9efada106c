#include "jobs/SectorSizeRefusal.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "disk/DriveProbe.h"
#include "disk/TableSectorSize.h"
#include "image/ImageFormat.h"
#include "image/ImageReader.h"
#include "platform/KindTags.h"
#include "text/FillPlaceholders.h"

namespace drivecopy {
namespace {

// The logical sector size of the drive at `path`; nullopt for a file.
std::optional<std::uint32_t> DriveSectorSize(Platform& platform, const std::string& path) {
  const DriveProbe drive(platform, path);
  if (!drive.HasGeometry || drive.Geometry.BytesPerSector == 0) return std::nullopt;
  return drive.Geometry.BytesPerSector;
}

bool HasPartitions(const DRIVE_LAYOUT_INFORMATION& layout) {
  return std::any_of(layout.PartitionEntry.begin(), layout.PartitionEntry.end(),
                     [](const PARTITION_INFORMATION& entry) { return entry.PartitionType != 0; });
}

// The first bytes of a file or device, as far as they can be read.
std::vector<std::byte> FirstBytes(Platform& platform, const std::string& path) {
  std::vector<std::byte> bytes(TableSectorSizeEvidenceBytes);
  std::size_t filled = 0;
  auto opened = platform.Open(path, OpenMode::Read);
  if (opened && opened.value()->Seek(0)) {
    while (filled < bytes.size()) {
      auto read = opened.value()->Read(std::span(bytes).subspan(filled));
      if (!read || read.value() == 0) break;
      filled += read.value();
    }
  }
  bytes.resize(filled);
  return bytes;
}

// The sector size the table at the start of the image is for.
std::optional<std::uint32_t> ImageTableSectorSize(Platform& platform, const std::string& imagePath) {
  auto file = platform.Open(imagePath, OpenMode::Read);
  if (!file) return std::nullopt;
  auto reader = ImageReader::Open(**file);
  if (!reader) return std::nullopt;
  std::vector<std::byte> start;
  while (start.size() < TableSectorSizeEvidenceBytes && !reader->AtEnd()) {
    auto block = reader->ReadBlock();
    if (!block) break;  // a damaged block is the restore's to report
    start.insert(start.end(), block.value().begin(), block.value().end());
  }
  // The partition starts a headed image lists are those of the drive it was
  // made of, in 512-byte units, where it was made of a whole drive.
  std::vector<std::int64_t> starts;
  const ImageHeader& header = reader->Header();
  if (reader->Format() != ImageFormat::Raw && header.SourceKind == KindPhysicalDrive &&
      header.FirstSector == 0) {
    starts = header.PartitionStarts;
  }
  return TableSectorSize(start, starts);
}

std::optional<std::string> Refusal(const MessageTexts& texts, const std::string& source,
                                   std::optional<std::uint32_t> sourceSize, const std::string& destination,
                                   std::optional<std::uint32_t> destinationSize) {
  if (!sourceSize || !destinationSize || *sourceSize == *destinationSize) return std::nullopt;
  return FillPlaceholders(
      texts.Checks.strSSectorSizesDiffer,
      {source, std::to_string(*sourceSize), destination, std::to_string(*destinationSize)});
}

}  // namespace

std::optional<std::string> RestoreSectorSizeRefusal(Platform& platform, const MessageTexts& texts,
                                                    const RestoreImageParameters& parameters) {
  if (parameters.FirstSector != 0) return std::nullopt;  // a partition
  const auto destinationSize = DriveSectorSize(platform, parameters.DevicePath);
  if (!destinationSize) return std::nullopt;
  return Refusal(texts, parameters.ImagePath, ImageTableSectorSize(platform, parameters.ImagePath),
                 parameters.DevicePath, destinationSize);
}

std::optional<std::string> CloneSectorSizeRefusal(Platform& platform, const MessageTexts& texts,
                                                  const CloneParameters& parameters) {
  const CloneEndpoint& source = parameters.Source;
  const CloneEndpoint& destination = parameters.Destination;
  if (source.Kind != KindPhysicalDrive || destination.Kind == KindPartition || source.FirstSector != 0 ||
      destination.FirstSector != 0) {
    return std::nullopt;
  }
  const auto destinationSize = DriveSectorSize(platform, destination.DevicePath);
  if (!destinationSize) return std::nullopt;
  std::optional<std::uint32_t> sourceSize;
  const DriveProbe sourceDrive(platform, source.DevicePath);
  if (sourceDrive.HasGeometry) {
    if (HasPartitions(sourceDrive.Layout)) sourceSize = sourceDrive.Geometry.BytesPerSector;
  } else {
    sourceSize = TableSectorSize(FirstBytes(platform, source.DevicePath), {});
  }
  return Refusal(texts, source.DevicePath, sourceSize, destination.DevicePath, destinationSize);
}

}  // namespace drivecopy
