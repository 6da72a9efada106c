#pragma once
#include <cstdint>
#include <string>

#include "image/CompressionLevel.h"
#include "image/ImageHeader.h"
#include "jobs/JobObserver.h"
#include "jobs/JobOutcome.h"
#include "jobs/OperationMemo.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// Everything a create-image run needs, as the create window holds it when
// Start is pressed.
struct CreateImageParameters {
  std::string DevicePath;        // source device (a partition is read through its drive)
  std::uint8_t DeviceKind = 0;   // kind tag of the source
  std::int64_t FirstSector = 0;  // first sector to read
  std::int64_t EndSector = 0;    // sector after the last one to read
  ImageHeader Header;            // prepared by the set-up; SectorsStored/IndexOffset/IndexSize are the job's
  std::string ImagePath;         // the path field; empty: the job does not start
  bool Raw = true;               // raw image; otherwise headed at Level
  CompressionLevel Level = CompressionLevel::Medium;
  bool Virtual = false;             // write nothing but the headed image's header, list and index
  bool WriteLog = false;            // save the memo as ImagePath + ".log" at the end
  bool Verify = false;              // check the finished image, read back past the cache, before the log
  char DecimalSeparator = '.';      // the user's decimal point, for the size texts
  unsigned CompressionThreads = 0;  // blocks compressed at once; 0: one per processor core
};

// Reads the source range block by block (single sectors where a block fails
// or comes back short, unreadable sectors zero-filled and named in the memo),
// stores it as a raw or headed image, flushes it to stable storage, and ends
// with the file-size line and "Ready" (or the stop lines). Asks before
// replacing an existing file and, after a stop, whether to delete the image.
// The image is written under a temporary name beside its own and takes its
// name only when the run ends with an image to keep (PendingImageFile), so a
// file of that name stays as it was until then, whatever ends the run.
JobOutcome RunCreateImageJob(Platform& platform, const MessageTexts& texts,
                             const CreateImageParameters& parameters, OperationMemo& memo,
                             JobObserver& observer);

}  // namespace drivecopy
