#pragma once
#include <string>
#include <vector>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"

namespace drivecopy::windows_backend {

// Platform::OccupantsOf on Windows: what may never be written while the
// system runs, wherever `range` of a raw device covers it: the volume the
// running system lives on (the Windows folder's), named as a mounted file
// system, and every volume that holds a page file, named by that file as
// the system's swap. Every other volume is locked and dismounted by the
// claim instead. A regular file has no occupants.
std::vector<Occupant> FindOccupants(const std::string& path, SectorRange range);

// Platform::ClaimForWriting on Windows.
//
// A raw device: refused when write-protected; every volume that lies on the
// written range is opened, locked (FSCTL_LOCK_VOLUME) and dismounted
// (FSCTL_DISMOUNT_VOLUME), and the locks are held until the claim is
// destroyed, so that no file system writes there meanwhile or keeps stale
// pages of it afterwards. A volume whose lock fails (open files on it) is
// refused, named. A destination that is itself a volume (a floppy) is locked
// once to find that out and then left to the job's write handle, which locks
// and dismounts it for as long as it is open.
//
// A regular file: held with an exclusive lock on a byte range past any
// file's end, which a second claim of the same file cannot take, while
// reading and writing the file's bytes stay free for the job. An image file
// that does not exist is created empty, a log file is not; anything but a
// regular file is refused, and nothing is ever deleted or emptied here.
ClaimResult ClaimWindowsPath(const std::string& path, SectorRange range, ClaimTarget target);

}  // namespace drivecopy::windows_backend
