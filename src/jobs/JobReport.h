#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"
#include "platform/Failure.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// How a job tells what happens, each in one call: a memo line goes into the
// operation memo (which the log saves) and then to the front end; an error
// ends the run through the front end's error box and comes back as the
// run's outcome. The jobs and the front ends that add the window's own lines
// before a job all go through here, so a line is never shown without being
// saved, nor saved twice.
class JobReport {
 public:
  JobReport(const MessageTexts& texts, OperationMemo& memo, JobObserver& observer)
      : texts_(texts), memo_(memo), observer_(observer) {}

  // A line (it may hold a CR LF line break).
  void Line(const std::string& line);

  // Sectors that stayed unreadable or could not be written, one line for
  // the run `sectors`: a single sector as "<strSBADSingleSECTOR><drive>
  // @:<sector>", more as strSBadSectorRange with the first and last sector
  // and the count. A clone names the drive ("Source Drive", "Destination
  // Drive"); the other jobs have one device.
  void BadSectors(SectorRange sectors, std::string_view drive = {});

  // How far a run is when `doneSectors` of its `totalSectors` are through:
  // the main bar, the bytes remaining, done and in all. The create job adds
  // its buffer bar and file size to it before telling.
  static JobProgress ProgressAt(std::int64_t totalSectors, std::int64_t doneSectors);
  void Progress(const JobProgress& progress) { observer_.Progress(progress); }
  void Progress(std::int64_t totalSectors, std::int64_t doneSectors) {
    Progress(ProgressAt(totalSectors, doneSectors));
  }

  // Ends a run before anything was written: `text` in an error box titled
  // `title` (empty for a plain box with a system text), and an outcome
  // NotStarted whose ErrorText is `errorText` (the box's text unless given).
  JobOutcome Refuse(const std::string& title, const std::string& text);
  JobOutcome Refuse(const std::string& title, const std::string& text, std::string errorText);

  // Ends a run with an error: the error box, and `soFar` (what the run did,
  // its counts) as Failed with `text` as its ErrorText.
  JobOutcome Fail(JobOutcome soFar, const std::string& title, const std::string& text);

  // Saves the memo as the log file `path`. A failure is shown in an error
  // box (the job's own work is done by then) and returned for the outcome.
  Outcome<void> SaveLog(Platform& platform, const std::string& path);

 private:
  const MessageTexts& texts_;
  OperationMemo& memo_;
  JobObserver& observer_;
};

}  // namespace drivecopy
