#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "jobs/SectorRanges.h"

namespace drivecopy {
namespace {

std::vector<SectorRange> RangesOf(const SectorRanges& set) { return set.Ranges(); }

// Whatever order the sectors come in, the set holds the fewest ranges that
// cover them, and counts each sector once.
TEST(SectorRanges, NeighboursAndOverlapsBecomeOneRange) {
  struct Case {
    const char* name;
    std::vector<SectorRange> added;
    std::vector<SectorRange> ranges;
    std::int64_t sectors;
  };
  const std::vector<Case> cases = {
      {"apart", {{5, 6}, {7, 8}}, {{5, 6}, {7, 8}}, 2},
      {"touching in order", {{5, 6}, {6, 7}, {7, 10}}, {{5, 10}}, 5},
      {"touching out of order", {{7, 10}, {5, 6}, {6, 7}}, {{5, 10}}, 5},
      {"overlapping", {{0, 100}, {50, 150}}, {{0, 150}}, 150},
      {"inside another", {{0, 100}, {10, 20}}, {{0, 100}}, 100},
      {"bridging three", {{0, 2}, {4, 6}, {8, 10}, {1, 9}}, {{0, 10}}, 10},
      {"before the rest", {{100, 110}, {0, 10}}, {{0, 10}, {100, 110}}, 20},
      {"empty adds nothing", {{5, 5}, {9, 3}}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SectorRanges set;
    for (const SectorRange& range : c.added) set.Add(range);
    EXPECT_EQ(RangesOf(set), c.ranges);
    EXPECT_EQ(set.SectorCount(), c.sectors);
  }
}

TEST(SectorRanges, MembershipShiftAndMergingOfTwoSets) {
  SectorRanges set;
  set.Add({10, 20});
  set.Add(30);
  EXPECT_FALSE(set.Contains(9));
  EXPECT_TRUE(set.Contains(10));
  EXPECT_TRUE(set.Contains(19));
  EXPECT_FALSE(set.Contains(20));
  EXPECT_TRUE(set.Contains(30));
  EXPECT_FALSE(set.Contains(31));

  set.Shift(100);
  EXPECT_EQ(RangesOf(set), (std::vector<SectorRange>{{110, 120}, {130, 131}}));

  SectorRanges more;
  more.Add({120, 130});
  set.Add(more);
  EXPECT_EQ(RangesOf(set), (std::vector<SectorRange>{{110, 131}}));
  EXPECT_EQ(set.SectorCount(), 21);
}

}  // namespace
}  // namespace drivecopy
