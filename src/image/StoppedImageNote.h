#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Failure.h"
#include "platform/Platform.h"

namespace drivecopy {

// A raw image is nothing but sectors, so that it was stopped early cannot be
// written into it. A create that keeps a stopped raw image writes this note
// beside it (StoppedNotePath, "x.img.stopped"), a few lines of text:
//
//   drivecopy note: the raw image beside this file was stopped early
//   SectorsStored 40960
//   SectorCount 131072
//
// SectorCount is the range the image was made of. The note is written before
// the image takes its name and removed only after a later finished image
// took it, so a crash in between can leave a finished image flagged, never a
// stopped one unflagged; an image that holds at least SectorCount sectors is
// therefore not taken for stopped, whatever note lies beside it.
struct StoppedImageNote {
  std::int64_t SectorsStored = 0;
  std::int64_t SectorCount = 0;
};

// Writes the note for `imagePath` in one step: under a temporary name first,
// flushed, then renamed over any note there was (Platform::RenameOver).
Outcome<void> WriteStoppedNote(Platform& platform, const std::string& imagePath,
                               const StoppedImageNote& note);

// The note beside `imagePath`; nullopt when there is none, or the file of
// that name cannot be read or is no note of ours.
std::optional<StoppedImageNote> ReadStoppedNote(Platform& platform, const std::string& imagePath);

// Deletes the note beside `imagePath` when there is one of ours; a file of
// that name that is not ours stays.
Outcome<void> RemoveStoppedNote(Platform& platform, const std::string& imagePath);

}  // namespace drivecopy
