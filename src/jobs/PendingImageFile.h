#pragma once
#include <optional>
#include <string>

#include "image/StoppedImageNote.h"
#include "jobs/DestinationGuard.h"
#include "platform/DeviceHandle.h"
#include "platform/Platform.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The file a create job writes its image to: under a temporary name beside
// the image's own (UnfinishedImagePath, "x.img.drivecopy-partial") until the
// job ends, when it takes the image's name in one step (TakeImageName) or
// is deleted (Discard, or the destructor). Until then a file of the image's
// name stays byte for byte as it was, whatever ends the job: a refusal, a
// stop before anything was copied, a failed write, a kill or a crash. A
// killed job leaves at most the temporary file, which the next create of the
// same image name takes over (its claim) and removes.
class PendingImageFile {
 public:
  PendingImageFile(Platform& platform, const MessageTexts& texts, std::string imagePath);
  // Deletes the temporary file unless it took the image's name, while the
  // claim still holds it. The job's own handle of it must be closed by then.
  ~PendingImageFile();
  PendingImageFile(const PendingImageFile&) = delete;
  PendingImageFile& operator=(const PendingImageFile&) = delete;

  // Claims both names through the destination guard: the image's name is
  // looked at and, where a file is there, held (never created, emptied or
  // written: ClaimTarget::ReplacedImage); the temporary name is created, or a
  // killed job's file there is taken over (ClaimTarget::ImageFile), and a
  // living job that holds it refuses this one as in use. False after putting
  // the refusal and the path it names into `refusal` and `refusedPath`.
  bool Claim(GuardedDestination& refusal, std::string& refusedPath);

  const std::string& TemporaryPath() const { return temporaryPath_; }

  // The temporary file, emptied, for writing.
  Outcome<std::unique_ptr<DeviceHandle>> OpenEmpty();

  // Deletes the temporary file now. Fails only when a file held by this job
  // could not be deleted.
  Outcome<void> Discard();

  // The temporary file, written, flushed and closed, takes the image's name
  // and the folder is flushed. A raw image that was stopped early gets
  // `stoppedNote` beside it first, so that it never passes for complete; for
  // any other image a note left beside the name by an earlier stopped raw
  // image is removed afterwards.
  Outcome<void> TakeImageName(const std::optional<StoppedImageNote>& stoppedNote);

 private:
  Platform& platform_;
  const MessageTexts& texts_;
  std::string imagePath_;
  std::string temporaryPath_;
  GuardedDestination imageNameClaim_;
  GuardedDestination temporaryClaim_;
  bool settled_ = false;  // named or deleted
};

}  // namespace drivecopy
