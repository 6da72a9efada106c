#pragma once
#include <cstdint>
#include <string>

#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/JobReport.h"
#include "jobs/SectorRanges.h"
#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// What a verification after writing found.
struct VerifyTally {
  VerifyResult Result = VerifyResult::NotRun;
  std::int64_t DifferingSectors = 0;  // differing or unreadable sectors named in the memo
  std::string Problem;                // NotPossible: the memo line that says why
};

// The passes that read back what a job wrote, once it is written and flushed,
// and compare it with what it should be. What was written is opened with
// OpenMode::ReadUncached, so that its bytes come from the medium and not from
// the system's cache of what was just written. Each pass announces itself in
// the memo, names every range of sectors that differs or cannot be read back
// (MismatchRanges) and closes with one line: passed, how many sectors differ,
// where it was stopped, or why it was not possible. It reports its progress
// on the main bar from 0 again, pumps between its pieces and asks the stop
// flag before each; a stop ends it after the piece in hand.

// A restore: image sector k is compared with sector `destinationFirst` + k
// of `destinationPath` (the image is decoded anew).
VerifyTally VerifyRestoredImage(Platform& platform, const MessageTexts& texts, const std::string& imagePath,
                                const std::string& destinationPath, std::int64_t destinationFirst,
                                JobReport& report, JobObserver& observer);

// A clone, or a raw image: `source` of `sourcePath` is read again and compared
// with `writtenPath` from sector `writtenFirst` on. The sectors of
// `zeroedSectors` (source sectors) are those the job could not read and
// wrote as zeros: they are compared with zeros, whatever the source
// gives now. A source sector that cannot be read now is compared with zeros
// as well, since zeros are what the job writes for it.
VerifyTally VerifyCopiedRange(Platform& platform, const MessageTexts& texts, const std::string& sourcePath,
                              SectorRange source, const std::string& writtenPath, std::int64_t writtenFirst,
                              const SectorRanges& zeroedSectors, JobReport& report, JobObserver& observer);

// A headed image just made: read back whole, every block inflated and
// checked against its stream's checksum and raw size, and the index against
// the blocks (VerifyImage). The source is not read again.
VerifyTally VerifyWrittenImage(Platform& platform, const MessageTexts& texts, const std::string& imagePath,
                               JobReport& report, JobObserver& observer);

// Puts what a pass found into a job's outcome; a pass that was not possible
// gives its line as the outcome's error text.
void TakeVerification(JobOutcome& outcome, const VerifyTally& tally);

}  // namespace drivecopy
