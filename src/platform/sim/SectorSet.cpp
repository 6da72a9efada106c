#include "platform/sim/SectorSet.h"

#include <algorithm>

namespace drivecopy::sim {

void SectorSet::Add(std::int64_t first, std::int64_t last) {
  if (last < first) return;
  std::vector<Interval> merged;
  merged.reserve(intervals_.size() + 1);
  Interval adding{first, last};
  bool placed = false;
  for (const Interval& existing : intervals_) {
    if (existing.Last + 1 < adding.First) {
      merged.push_back(existing);
    } else if (adding.Last + 1 < existing.First) {
      if (!placed) merged.push_back(adding), placed = true;
      merged.push_back(existing);
    } else {
      adding.First = std::min(adding.First, existing.First);
      adding.Last = std::max(adding.Last, existing.Last);
    }
  }
  if (!placed) merged.push_back(adding);
  intervals_ = std::move(merged);
}

std::optional<std::int64_t> SectorSet::FirstIn(std::int64_t begin, std::int64_t end) const {
  auto candidate =
      std::lower_bound(intervals_.begin(), intervals_.end(), begin,
                       [](const Interval& interval, std::int64_t sector) { return interval.Last < sector; });
  if (candidate == intervals_.end()) return std::nullopt;
  const std::int64_t first = std::max(candidate->First, begin);
  if (first >= end) return std::nullopt;
  return first;
}

}  // namespace drivecopy::sim
