#pragma once
#include <cstdint>
#include <string>

#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// A restore run as the restore window holds it.
struct RestoreImageParameters {
  std::string DevicePath;        // destination device (a partition is written through its drive)
  std::int64_t FirstSector = 0;  // where image sector 0 goes
  std::int64_t EndSector = 0;    // first sector after the destination
  std::string ImagePath;
  std::string Description;      // the destination's description, used in the overwrite question
  char DecimalSeparator = '.';  // the user's decimal point, for the sizes in messages
  bool Verify = false;          // read the destination back and compare it with the image at the end
};

// Asks the overwrite question, checks the size, refuses a destination that
// holds the image file or a mounted file system, then writes the image's
// sectors from FirstSector on, block by block; a damaged block ends the run
// before anything of it is written. The destination is flushed before the
// run counts as finished. With Verify, a run that finished (with or without
// unwritable sectors) is then read back and compared with the image
// (VerifyRestoredImage), while the destination is still claimed.
JobOutcome RunRestoreImageJob(Platform& platform, const MessageTexts& texts,
                              const RestoreImageParameters& parameters, OperationMemo& memo,
                              JobObserver& observer);

}  // namespace drivecopy
