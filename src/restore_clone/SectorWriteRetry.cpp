#include "restore_clone/SectorWriteRetry.h"

#include "disk/Units.h"

namespace drivecopy {

namespace {

constexpr std::size_t SectorBytes = static_cast<std::size_t>(BytesPerSector);

bool WriteAt(DeviceHandle& device, std::int64_t sector, std::span<const std::byte> data) {
  if (!device.Seek(sector * BytesPerSector)) return false;
  auto written = device.Write(data);
  return written && *written == data.size();
}

}  // namespace

std::vector<std::int64_t> WriteSectorsWithRetry(DeviceHandle& device, std::int64_t firstSector,
                                                std::span<const std::byte> data) {
  std::vector<std::int64_t> unwritable;
  if (WriteAt(device, firstSector, data)) return unwritable;

  // A run of one sector has had its only try.
  const std::size_t sectors = data.size() / SectorBytes;
  if (sectors == 1) return {0};
  for (std::size_t index = 0; index < sectors; ++index) {
    const auto sector = firstSector + static_cast<std::int64_t>(index);
    if (!WriteAt(device, sector, data.subspan(index * SectorBytes, SectorBytes))) {
      unwritable.push_back(static_cast<std::int64_t>(index));
    }
  }
  return unwritable;
}

}  // namespace drivecopy
