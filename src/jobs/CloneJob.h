#pragma once
#include <string>

#include "disk/CloneEndpoint.h"
#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// A clone run as the clone window holds it.
struct CloneParameters {
  CloneEndpoint Source;
  CloneEndpoint Destination;
  std::string DestinationDescription;  // used in the overwrite question
  bool WriteLog = false;               // save the memo as the clone log at the end
  char DecimalSeparator = '.';         // the user's decimal point, for the sizes in messages
  bool Verify = false;                 // read the destination back and compare it with the source at the end
};

// Asks the overwrite question, checks the size, refuses overlapping ranges
// and (on Linux) a destination with a mounted file system, then copies the
// source range chunk by chunk; a chunk that fails or comes back short is
// read sector by sector, and only the sectors that stay unreadable are
// zero-filled and named. Ends with the closing line, the verification when
// asked for (a copy that finished is read back and compared with the source,
// VerifyCopiedRange) and, when asked, the log, which holds the verification.
// The memo is the clone window's, which keeps the lines of earlier runs.
JobOutcome RunCloneJob(Platform& platform, const MessageTexts& texts, const CloneParameters& parameters,
                       OperationMemo& memo, JobObserver& observer);

}  // namespace drivecopy
