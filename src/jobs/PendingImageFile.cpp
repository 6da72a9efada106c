#include "jobs/PendingImageFile.h"

#include "image/ImageFileNames.h"

namespace drivecopy {

PendingImageFile::PendingImageFile(Platform& platform, const MessageTexts& texts, std::string imagePath)
    : platform_(platform),
      texts_(texts),
      imagePath_(std::move(imagePath)),
      temporaryPath_(UnfinishedImagePath(imagePath_)) {}

PendingImageFile::~PendingImageFile() {
  // A file this job wrote that took no name is worth nothing; one that
  // cannot be deleted is taken over by the next create of this image.
  (void)Discard();
}

bool PendingImageFile::Claim(GuardedDestination& refusal, std::string& refusedPath) {
  imageNameClaim_ =
      GuardDestination(platform_, texts_, imagePath_, SectorRange{}, ClaimTarget::ReplacedImage);
  if (!imageNameClaim_) {
    refusal = std::move(imageNameClaim_);
    refusedPath = imagePath_;
    return false;
  }
  temporaryClaim_ =
      GuardDestination(platform_, texts_, temporaryPath_, SectorRange{}, ClaimTarget::ImageFile);
  if (!temporaryClaim_) {
    refusal = std::move(temporaryClaim_);
    refusedPath = temporaryPath_;
    return false;
  }
  return true;
}

Outcome<std::unique_ptr<DeviceHandle>> PendingImageFile::OpenEmpty() {
  return platform_.Open(temporaryPath_, OpenMode::CreateAlways);
}

Outcome<void> PendingImageFile::Discard() {
  // Only a file this job holds is deleted: a temporary file another living
  // job holds refused this one's claim and is that job's.
  if (settled_ || !temporaryClaim_ || !platform_.FileExists(temporaryPath_)) return {};
  settled_ = true;
  return platform_.DeleteFile(temporaryPath_);
}

Outcome<void> PendingImageFile::TakeImageName(const std::optional<StoppedImageNote>& stoppedNote) {
  if (stoppedNote) {
    if (auto noted = WriteStoppedNote(platform_, imagePath_, *stoppedNote); !noted) {
      Failure failure = noted.error();
      failure.text = StoppedNotePath(imagePath_) + ": " + failure.text;
      return failure;
    }
  }
  // The file under the image's name is let go first: a system that does not
  // replace a file held open (Windows) would refuse the rename.
  imageNameClaim_ = GuardedDestination{};
  if (auto renamed = platform_.RenameOver(temporaryPath_, imagePath_); !renamed) return renamed;
  settled_ = true;
  if (!stoppedNote) {
    // A note that cannot be removed flags a finished image as stopped, which
    // is the harmless direction; the image itself is in place.
    (void)RemoveStoppedNote(platform_, imagePath_);
  }
  return {};
}

}  // namespace drivecopy
