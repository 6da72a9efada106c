#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Failure.h"

namespace drivecopy {

// What a write left undone. A medium error costs only the sectors it hits:
// they are named in Unwritable and the job goes on. Any other failure (the
// device is gone, read-only or full) makes every further write pointless:
// it is kept in Stop, with the sector where it struck, and ends the job.
// Sector numbers count as the writer that made the report says.
struct WriteReport {
  std::vector<std::int64_t> Unwritable;  // ascending
  std::optional<Failure> Stop;
  std::int64_t StopSector = 0;

  bool Stopped() const { return Stop.has_value(); }
  // Adds the sectors of `later`; its stop, when this has none yet.
  void Take(const WriteReport& later) {
    Unwritable.insert(Unwritable.end(), later.Unwritable.begin(), later.Unwritable.end());
    if (!Stop && later.Stop) {
      Stop = later.Stop;
      StopSector = later.StopSector;
    }
  }
};

// True for a failure after which writing the next sector is still worth a try.
inline bool CostsOnlyTheseSectors(const Failure& error) { return error.kind == FailureKind::Medium; }

}  // namespace drivecopy
