#include "jobs/BadSectorLines.h"

#include <algorithm>

namespace drivecopy {

void BadSectorLines::Take(const SectorRanges& skipped, std::int64_t handledEnd) {
  for (const SectorRange& range : skipped) {
    if (open_ && range.FirstSector <= open_->EndSector) {
      open_->EndSector = std::max(open_->EndSector, range.EndSector);
      continue;
    }
    Close();
    open_ = range;
  }
  // The sector after the run was handled and is not in it: the run is whole.
  if (open_ && open_->EndSector < handledEnd) Close();
}

void BadSectorLines::Close() {
  if (!open_) return;
  report_.BadSectors(*open_, drive_);
  open_.reset();
}

}  // namespace drivecopy
