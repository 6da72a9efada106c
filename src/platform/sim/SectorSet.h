#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace drivecopy::sim {

// A set of sector numbers kept as sorted, merged inclusive intervals, so that
// a description can mark a whole damaged region without listing each sector.
class SectorSet {
 public:
  void Add(std::int64_t first, std::int64_t last);  // inclusive; ignored when last < first
  // The lowest member in [begin, end), or nullopt.
  std::optional<std::int64_t> FirstIn(std::int64_t begin, std::int64_t end) const;
  bool Empty() const { return intervals_.empty(); }

 private:
  struct Interval {
    std::int64_t First;
    std::int64_t Last;
  };
  std::vector<Interval> intervals_;  // sorted by First, disjoint, not adjacent
};

}  // namespace drivecopy::sim
