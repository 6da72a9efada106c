#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/JobReport.h"
#include "jobs/SectorRanges.h"
#include "platform/SectorRange.h"

namespace drivecopy {

// Tells the sectors a job skipped as it goes, one memo line per run of
// neighbouring sectors (JobReport::BadSectors), so that a dead region is one
// line, not one per sector. A run's line comes as soon as the run is known to
// be whole: once the job got past its end, or at Close. So a run that goes on
// across blocks or writes is still one line.
class BadSectorLines {
 public:
  // `drive` names the drive in a clone's lines; empty for the other jobs.
  explicit BadSectorLines(JobReport& report, std::string drive = {})
      : report_(report), drive_(std::move(drive)) {}

  // Takes the sectors skipped in what the job has handled up to `handledEnd`
  // (the sector after it). Sectors come in ascending order over the calls.
  void Take(const SectorRanges& skipped, std::int64_t handledEnd);
  // Tells the run still open: at the end of a job, and when it stops or fails.
  void Close();

 private:
  JobReport& report_;
  std::string drive_;
  std::optional<SectorRange> open_;
};

}  // namespace drivecopy
