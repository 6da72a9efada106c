#pragma once
#include <cstdint>
#include <string>

namespace drivecopy {

// How a job ended.
enum class JobStatus {
  Finished,              // every sector read and written
  FinishedWithProblems,  // finished, but sectors stayed unreadable or unwritable (each in the memo)
  Stopped,               // the stop flag ended it; what was done is kept
  Failed,                // an error ended it (shown through ShowError; also in ErrorText)
  NotStarted,            // declined by the user or refused before anything was written
};

// What reading back the written range found, when a verification was asked
// for. Only a finished job (with or without problems) is verified.
enum class VerifyResult {
  NotRun,       // not asked for, or the job did not finish
  Passed,       // every sector holds what it should
  Differs,      // sectors differ or cannot be read back (each range named in the memo)
  Stopped,      // the stop flag ended the pass; what was compared up to there is in the memo
  NotPossible,  // what was to be read or compared with could not be read (the memo says why)
};

struct JobOutcome {
  JobStatus Status = JobStatus::NotStarted;
  std::string ErrorText;               // for Failed and refusals: what went wrong
  std::int64_t UnreadableSectors = 0;  // sectors stored as zeros
  std::int64_t UnwritableSectors = 0;  // sectors the destination refused
  std::int64_t SectorsDone = 0;        // sectors of the range processed
  bool LogNotWritten = false;          // a log was asked for and could not be saved
  VerifyResult Verification = VerifyResult::NotRun;
  std::int64_t DifferingSectors = 0;  // sectors the verification found differing or unreadable
};

}  // namespace drivecopy
