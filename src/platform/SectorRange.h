#pragma once
#include <cstdint>

namespace drivecopy {

// A run of 512-byte sectors, absolute on its device: [FirstSector, EndSector).
struct SectorRange {
  std::int64_t FirstSector = 0;
  std::int64_t EndSector = 0;

  std::int64_t SectorCount() const { return EndSector - FirstSector; }
  // True when the two ranges share at least one sector.
  bool Overlaps(const SectorRange& other) const {
    return FirstSector < other.EndSector && other.FirstSector < EndSector;
  }
  bool operator==(const SectorRange&) const = default;
};

}  // namespace drivecopy
