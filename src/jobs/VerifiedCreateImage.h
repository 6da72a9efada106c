#pragma once
#include "jobs/CreateImageJob.h"
#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// Runs the create job and, when it finished (with or without unreadable
// sectors), verifies the image it wrote and flushed:
// - a headed image is read back past the system's cache and every block
//   checked: each stream must inflate, with its checksum, to its raw size, and
//   the index must match the blocks (VerifyWrittenImage);
// - a raw image holds nothing to check it by, so it is read back and compared
//   with the source range read again (VerifyCopiedRange), the sectors the job
//   could not read with the zeros it stored for them.
// A virtual run writes no blocks and is not verified. The job has saved its
// log before the verification; with WriteLog the log is saved again after
// it, so that it holds the verification's lines as well.
JobOutcome RunVerifiedCreateImageJob(Platform& platform, const MessageTexts& texts,
                                     const CreateImageParameters& parameters, OperationMemo& memo,
                                     JobObserver& observer);

}  // namespace drivecopy
