#pragma once
#include <cstdint>
#include <vector>

#include "platform/SectorRange.h"

namespace drivecopy {

// A set of sectors kept as ascending ranges: neighbouring and overlapping
// sectors share one range, so that a dead region of a million sectors is one
// entry and not a million. Sector numbers count as the owner says (absolute on
// a device, or from the start of a write).
class SectorRanges {
 public:
  // Adds the sectors of `range`; an empty range adds nothing. Adding in
  // ascending order is the quick case, any order gives the same set.
  void Add(SectorRange range);
  void Add(std::int64_t sector) { Add(SectorRange{sector, sector + 1}); }
  void Add(const SectorRanges& more);
  // Moves every sector by `offset`.
  void Shift(std::int64_t offset);
  void Clear();

  bool Empty() const { return ranges_.empty(); }
  std::int64_t SectorCount() const { return sectors_; }
  bool Contains(std::int64_t sector) const;
  const std::vector<SectorRange>& Ranges() const { return ranges_; }
  std::vector<SectorRange>::const_iterator begin() const { return ranges_.begin(); }
  std::vector<SectorRange>::const_iterator end() const { return ranges_.end(); }
  bool operator==(const SectorRanges& other) const { return ranges_ == other.ranges_; }

 private:
  std::vector<SectorRange> ranges_;  // ascending, neither overlapping nor touching
  std::int64_t sectors_ = 0;
};

}  // namespace drivecopy
