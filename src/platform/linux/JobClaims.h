#pragma once
#include <string>

#include "platform/SectorRange.h"
#include "platform/WriteClaim.h"

namespace drivecopy::linux_backend {

// Platform::ClaimForWriting and ClaimForReading on Linux, with the ledger of
// our own jobs (JobLedger) on top of the system's claims (ClaimPath): the
// bytes a job writes, by identity (TraceStorage), are entered as written and
// those a job reads as read, so that no job reads what another writes nor
// writes what another reads, whichever names the two were given.

// ClaimPath, then the ledger for a destination or an image file (a log and
// the name an image replaces are written by no one else's job and read by
// none). A job of ours in the way refuses the claim, naming it.
ClaimResult ClaimForJobWriting(const std::string& path, SectorRange range, ClaimTarget target);

// The ledger entry of a job that reads `range` of `path`.
ReadClaimResult ClaimForJobReading(const std::string& path, SectorRange range);

}  // namespace drivecopy::linux_backend
