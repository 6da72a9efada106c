#pragma once
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/SectorRange.h"
#include "text/MessageTexts.h"

namespace drivecopy {

// The claim a job holds on what it reads, or why it may not read it now.
struct GuardedSource {
  std::unique_ptr<ReadClaim> Claim;  // null when refused
  std::string Refusal;               // the refusal text in the language of the texts
  explicit operator bool() const { return Claim != nullptr; }
};

// The source guard. Every job takes it on what it reads (a create's or
// clone's source range, a restore's image file) before its first byte is
// read, and keeps it until it ends (Platform::ClaimForReading): a source that
// another job of ours writes, under whatever name, refuses the job, naming
// that job, since what it read would mix old and new data; and while it
// lives, no job of ours is let write there.
GuardedSource GuardSource(Platform& platform, const MessageTexts& texts, const std::string& path,
                          SectorRange range);

}  // namespace drivecopy
