#pragma once
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The claim a job holds on what it writes, or why it may not write there.
struct GuardedDestination {
  std::unique_ptr<WriteClaim> Claim;  // null when refused
  std::string Refusal;                // the refusal text in the language of the texts
  // True when the refusal is only that the path could not be opened (no such
  // folder, no right to it), not that something holds it; Cause is then why
  // (FailureCause).
  bool CouldNotOpen = false;
  std::string Cause;
  explicit operator bool() const { return Claim != nullptr; }
};

// The destination guard. Every job runs it before its first byte goes to a
// destination (a restore's or clone's device or file, a create's image file
// and log) and keeps the claim until it ends:
// 1. what lives there (Platform::OccupantsOf) refuses it, naming the first
//    holder: a mounted file system, swap, a device built on it, a loop
//    device made of it;
// 2. then the platform claims it (Platform::ClaimForWriting), which also
//    refuses a read-only device, a path that is not a regular file, and a
//    destination another program holds, and one that another job of ours
//    reads or writes, naming that job; when the
//    claim fails for being in use, the holders are asked for once more so
//    that the refusal can name them.
GuardedDestination GuardDestination(Platform& platform, const MessageTexts& texts, const std::string& path,
                                    SectorRange range, ClaimTarget target);

}  // namespace drivecopy
