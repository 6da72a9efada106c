#include "restore_clone/SectorReadFallback.h"

#include <algorithm>

#include "disk/Units.h"
#include "restore_clone/AlignedSectorBuffer.h"

namespace drivecopy {

namespace {

constexpr std::size_t SectorBytes = static_cast<std::size_t>(BytesPerSector);

// Whole sectors delivered by one request for the run; 0 when it failed.
std::size_t ReadWholeRun(DeviceHandle& device, std::int64_t firstSector, std::span<std::byte> buffer) {
  if (!device.Seek(firstSector * BytesPerSector)) return 0;
  auto read = device.Read(buffer);
  if (!read) return 0;
  return std::min(*read, buffer.size()) / SectorBytes;
}

bool ReadOneSector(DeviceHandle& device, std::int64_t sector, std::span<std::byte> sectorBuffer) {
  if (!device.Seek(sector * BytesPerSector)) return false;
  auto read = device.Read(sectorBuffer);
  return read && *read == SectorBytes;
}

}  // namespace

std::vector<std::int64_t> ReadSectorsWithFallback(DeviceHandle& device, std::int64_t firstSector,
                                                  std::span<std::byte> buffer) {
  const std::size_t sectors = buffer.size() / SectorBytes;
  const std::size_t good = ReadWholeRun(device, firstSector, buffer);
  std::vector<std::int64_t> unreadable;
  if (good >= sectors) return unreadable;

  // One aligned sector buffer, so that single reads still work under direct
  // I/O; each sector read is copied into its place in the run.
  AlignedSectorBuffer single(SectorBytes, device.PreferredAlignment());
  for (std::size_t index = good; index < sectors; ++index) {
    const std::span<std::byte> target = buffer.subspan(index * SectorBytes, SectorBytes);
    const auto sector = firstSector + static_cast<std::int64_t>(index);
    if (ReadOneSector(device, sector, single.Bytes())) {
      std::copy(single.Bytes().begin(), single.Bytes().end(), target.begin());
    } else {
      std::fill(target.begin(), target.end(), std::byte{0});
      unreadable.push_back(static_cast<std::int64_t>(index));
    }
  }
  return unreadable;
}

}  // namespace drivecopy
