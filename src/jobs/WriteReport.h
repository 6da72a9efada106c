#pragma once
#include <algorithm>
#include <cstdint>
#include <optional>

#include "jobs/SectorRanges.h"
#include "platform/Failure.h"

namespace drivecopy {

// What a write left undone. A medium error costs only the sectors it hits:
// they are named in Unwritable and the job goes on. Any other failure (the
// device is gone, read-only or full) makes every further write pointless:
// it is kept in Stop, with the sector where it struck, and ends the job.
// Sector numbers count as the writer that made the report says.
struct WriteReport {
  SectorRanges Unwritable;
  std::optional<Failure> Stop;
  std::int64_t StopSector = 0;
  // The sector after the last one the reported writes were asked to store;
  // 0 when nothing was written.
  std::int64_t CoveredEnd = 0;

  bool Stopped() const { return Stop.has_value(); }
  // Adds the sectors of `later`; its stop, when this has none yet.
  void Take(const WriteReport& later) {
    Unwritable.Add(later.Unwritable);
    CoveredEnd = std::max(CoveredEnd, later.CoveredEnd);
    if (!Stop && later.Stop) {
      Stop = later.Stop;
      StopSector = later.StopSector;
    }
  }
  // Counts the sectors from `offset` sectors further on.
  void Shift(std::int64_t offset) {
    Unwritable.Shift(offset);
    StopSector += offset;
    CoveredEnd += offset;
  }
};

// True for a failure after which writing the next sector is still worth a try.
inline bool CostsOnlyTheseSectors(const Failure& error) { return error.kind == FailureKind::Medium; }

}  // namespace drivecopy
