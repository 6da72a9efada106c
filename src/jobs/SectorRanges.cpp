#include "jobs/SectorRanges.h"

#include <algorithm>
#include <iterator>

namespace drivecopy {

void SectorRanges::Add(SectorRange range) {
  if (range.EndSector <= range.FirstSector) return;
  if (ranges_.empty() || range.FirstSector > ranges_.back().EndSector) {
    ranges_.push_back(range);
    sectors_ += range.SectorCount();
    return;
  }
  // The ranges from the first one that reaches `range` up to the last one it
  // reaches become one.
  auto first =
      std::lower_bound(ranges_.begin(), ranges_.end(), range.FirstSector,
                       [](const SectorRange& kept, std::int64_t sector) { return kept.EndSector < sector; });
  auto last = first;
  for (; last != ranges_.end() && last->FirstSector <= range.EndSector; ++last) {
    range.FirstSector = std::min(range.FirstSector, last->FirstSector);
    range.EndSector = std::max(range.EndSector, last->EndSector);
    sectors_ -= last->SectorCount();
  }
  ranges_.insert(ranges_.erase(first, last), range);
  sectors_ += range.SectorCount();
}

void SectorRanges::Add(const SectorRanges& more) {
  for (const SectorRange& range : more) Add(range);
}

void SectorRanges::Shift(std::int64_t offset) {
  for (SectorRange& range : ranges_) {
    range.FirstSector += offset;
    range.EndSector += offset;
  }
}

void SectorRanges::Clear() {
  ranges_.clear();
  sectors_ = 0;
}

bool SectorRanges::Contains(std::int64_t sector) const {
  auto after = std::upper_bound(ranges_.begin(), ranges_.end(), sector,
                                [](std::int64_t s, const SectorRange& kept) { return s < kept.FirstSector; });
  return after != ranges_.begin() && std::prev(after)->EndSector > sector;
}

}  // namespace drivecopy
